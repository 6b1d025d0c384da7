#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>

struct SiteRequest;

// First in, first out, no size limit. Appended to by the user-interface
// thread, taken from by the worker thread only.
class RequestQueue {
 public:
  RequestQueue() = default;
  RequestQueue(const RequestQueue&) = delete;
  RequestQueue& operator=(const RequestQueue&) = delete;

  void Append(std::unique_ptr<SiteRequest> request);
  // Waits at most `wait` for a record (at once when one is there); null when
  // none came or the queue was stopped.
  std::unique_ptr<SiteRequest> Take(std::chrono::milliseconds wait);
  // Wakes the taker for good; records still queued are freed.
  void Stop();
  bool Empty() const;

 private:
  mutable std::mutex lock_;
  std::condition_variable wakeUp_;
  std::deque<std::unique_ptr<SiteRequest>> records_;
  bool stopped_ = false;
};
