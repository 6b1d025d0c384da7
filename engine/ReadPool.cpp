#include "engine/ReadPool.h"

#include "net/HttpClient.h"
#include "net/SiteRequest.h"

ReadPool::ReadPool(HttpClient& client, Done done) : client_(client), done_(std::move(done)) {
  for (int i = 0; i < kThreads; ++i) {
    threads_.emplace_back([this](std::stop_token stop) { Run(stop); });
  }
}

ReadPool::~ReadPool() {
  abandon_ = true;
  for (auto& thread : threads_) thread.request_stop();
  wakeUp_.notify_all();
  threads_.clear();  // joins
}

void ReadPool::Queue(std::unique_ptr<SiteRequest> request, std::int64_t urgency) {
  {
    std::lock_guard<std::mutex> guard(lock_);
    waiting_.emplace(std::make_pair(urgency, order_++), std::move(request));
  }
  wakeUp_.notify_one();
}

std::size_t ReadPool::Waiting() const {
  std::lock_guard<std::mutex> guard(lock_);
  return waiting_.size();
}

void ReadPool::Run(std::stop_token stop) {
  while (true) {
    std::unique_ptr<SiteRequest> request;
    {
      std::unique_lock<std::mutex> guard(lock_);
      // The most urgent read whose host has room.
      const auto next = [this] {
        for (auto it = waiting_.begin(); it != waiting_.end(); ++it) {
          if (inFlight_[it->second->host] < kPerHost) return it;
        }
        return waiting_.end();
      };
      if (!wakeUp_.wait(guard, stop, [&] { return next() != waiting_.end(); })) return;
      auto it = next();
      request = std::move(it->second);
      waiting_.erase(it);
      ++inFlight_[request->host];
    }
    ExchangeOptions options;
    options.waitForBox = false;
    options.abandon = &abandon_;
    options.error = &request->error;
    const std::string host = request->host;
    client_.Fetch(*request, options);
    {
      std::lock_guard<std::mutex> guard(lock_);
      --inFlight_[host];
    }
    wakeUp_.notify_all();  // a read of this host may go now
    if (request->succeeded || (!abandon_ && !request->error.empty())) done_(std::move(request));
  }
}
