#pragma once

#include "net/RequestReceiver.h"

#include <deque>
#include <functional>
#include <memory>
#include <mutex>

// Takes finished page reads from the worker thread and hands them to a
// handler on the user-interface thread: the worker queues the record and,
// when the queue was empty, sends one wake-up; the user-interface thread
// then drains the queue. Nothing copyable crosses, and wake-ups do not pile
// up. Make it with std::make_shared; Detach when the handler's window goes.
class WxRequestReceiver : public RequestReceiver,
                          public std::enable_shared_from_this<WxRequestReceiver> {
 public:
  using Handler = std::function<void(std::unique_ptr<SiteRequest>)>;
  explicit WxRequestReceiver(Handler handler) : handler_(std::move(handler)) {}

  void RequestDone(std::unique_ptr<SiteRequest> request) override;  // any thread
  void Detach();                                                   // user-interface thread

 private:
  void Drain();
  void WakeUp();

  std::mutex lock_;
  std::deque<std::unique_ptr<SiteRequest>> done_;
  bool wakeUpSent_ = false;
  Handler handler_;        // user-interface thread only
  bool detached_ = false;  // user-interface thread only
};
