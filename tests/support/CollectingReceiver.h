#pragma once

#include "net/RequestReceiver.h"
#include "net/SiteRequest.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

// Collects the records the worker hands over, and lets a test wait for them.
class CollectingReceiver : public RequestReceiver {
 public:
  void RequestDone(std::unique_ptr<SiteRequest> request) override {
    {
      std::lock_guard<std::mutex> guard(lock_);
      done_.push_back(std::move(request));
    }
    arrived_.notify_all();
  }

  // Waits until `count` records have come, at most `limit`; all that came.
  std::vector<std::unique_ptr<SiteRequest>> WaitFor(
      std::size_t count, std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    std::unique_lock<std::mutex> guard(lock_);
    arrived_.wait_for(guard, limit, [&] { return done_.size() >= count; });
    return std::move(done_);
  }

 private:
  std::mutex lock_;
  std::condition_variable arrived_;
  std::vector<std::unique_ptr<SiteRequest>> done_;
};
