#include "net/RequestQueue.h"

#include "net/SiteRequest.h"

void RequestQueue::Append(std::unique_ptr<SiteRequest> request) {
  {
    std::lock_guard<std::mutex> guard(lock_);
    if (stopped_) return;
    records_.push_back(std::move(request));
  }
  wakeUp_.notify_one();
}

std::unique_ptr<SiteRequest> RequestQueue::Take(std::chrono::milliseconds wait) {
  std::unique_lock<std::mutex> guard(lock_);
  wakeUp_.wait_for(guard, wait, [this] { return stopped_ || !records_.empty(); });
  if (stopped_ || records_.empty()) return nullptr;
  std::unique_ptr<SiteRequest> request = std::move(records_.front());
  records_.pop_front();
  return request;
}

void RequestQueue::Stop() {
  std::deque<std::unique_ptr<SiteRequest>> unfetched;
  {
    std::lock_guard<std::mutex> guard(lock_);
    stopped_ = true;
    unfetched.swap(records_);
  }
  wakeUp_.notify_all();
}

bool RequestQueue::Empty() const {
  std::lock_guard<std::mutex> guard(lock_);
  return records_.empty();
}
