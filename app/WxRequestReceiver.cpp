#include "app/WxRequestReceiver.h"

#include "net/SiteRequest.h"

#include <wx/app.h>

void WxRequestReceiver::RequestDone(std::unique_ptr<SiteRequest> request) {
  std::lock_guard<std::mutex> guard(lock_);
  done_.push_back(std::move(request));
  if (!wakeUpSent_) WakeUp();
}

// Called with the lock held.
void WxRequestReceiver::WakeUp() {
  if (wxTheApp == nullptr) return;
  wakeUpSent_ = true;
  std::weak_ptr<WxRequestReceiver> self = weak_from_this();
  wxTheApp->CallAfter([self] {
    if (auto receiver = self.lock()) receiver->Drain();
  });
}

// One record a wake-up: a handler that opens a box (a nested loop) must not
// hold the records behind it, so the next wake-up is asked for before the
// handler runs.
void WxRequestReceiver::Drain() {
  std::unique_ptr<SiteRequest> request;
  {
    std::lock_guard<std::mutex> guard(lock_);
    wakeUpSent_ = false;
    if (done_.empty()) return;
    request = std::move(done_.front());
    done_.pop_front();
    if (!done_.empty()) WakeUp();
  }
  if (!detached_) handler_(std::move(request));
}

void WxRequestReceiver::Detach() {
  detached_ = true;
  std::lock_guard<std::mutex> guard(lock_);
  done_.clear();
}
