#include "app/WxRequestReceiver.h"

#include "net/SiteRequest.h"

#include <wx/app.h>

void WxRequestReceiver::RequestDone(std::unique_ptr<SiteRequest> request) {
  std::lock_guard<std::mutex> guard(lock_);
  done_.push_back(std::move(request));
  if (wakeUpSent_ || wxTheApp == nullptr) return;
  wakeUpSent_ = true;
  std::weak_ptr<WxRequestReceiver> self = weak_from_this();
  wxTheApp->CallAfter([self] {
    if (auto receiver = self.lock()) receiver->Drain();
  });
}

void WxRequestReceiver::Drain() {
  std::deque<std::unique_ptr<SiteRequest>> batch;
  {
    std::lock_guard<std::mutex> guard(lock_);
    batch.swap(done_);
    wakeUpSent_ = false;
  }
  for (auto& request : batch) {
    if (!detached_) handler_(std::move(request));  // a handler may run a nested loop and detach
  }
}

void WxRequestReceiver::Detach() {
  detached_ = true;
  std::lock_guard<std::mutex> guard(lock_);
  done_.clear();
}
