#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

class HttpClient;
struct SiteRequest;

// Page reads in the background, several at a time: the read of the bid
// nearest its moment goes first, at most kPerHost to one host at once. A
// finished read is handed to `done` on the reading thread, stamped with its
// arrival. A failed one is handed over too, not succeeded and with its
// error text, for the receiver to show; one given up at the pool's end is
// dropped.
//
// Any thread.
class ReadPool {
 public:
  static constexpr int kPerHost = 4;
  static constexpr int kThreads = 8;

  using Done = std::function<void(std::unique_ptr<SiteRequest>)>;
  ReadPool(HttpClient& client, Done done);
  ~ReadPool();  // reads still queued are dropped, reads in flight abandoned
  ReadPool(const ReadPool&) = delete;
  ReadPool& operator=(const ReadPool&) = delete;

  // Lower `urgency` goes first; equal ones in the order they came.
  void Queue(std::unique_ptr<SiteRequest> request, std::int64_t urgency);
  std::size_t Waiting() const;

 private:
  void Run(std::stop_token stop);

  HttpClient& client_;
  Done done_;
  mutable std::mutex lock_;
  std::condition_variable_any wakeUp_;
  // (urgency, arrival order) -> read
  std::map<std::pair<std::int64_t, std::uint64_t>, std::unique_ptr<SiteRequest>> waiting_;
  std::map<std::string, int> inFlight_;  // by host
  std::uint64_t order_ = 0;
  std::atomic<bool> abandon_{false};
  std::vector<std::jthread> threads_;
};
