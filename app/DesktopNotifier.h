#pragma once

#include "app/BidNotice.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>

class LibnotifyNotification;

// Desktop notifications about bids. Each carries a "Show bid" action;
// choosing it, or clicking the notification's body, calls `show` with that
// bid's id. User-interface thread only.
class DesktopNotifier {
 public:
  // The key of the "Show bid" action.
  static constexpr const char* kShowAction = "show-bid";

  explicit DesktopNotifier(std::function<void(std::uint32_t bidId)> show);
  ~DesktopNotifier();
  DesktopNotifier(const DesktopNotifier&) = delete;
  DesktopNotifier& operator=(const DesktopNotifier&) = delete;

  void SetEnabled(bool enabled) { enabled_ = enabled; }
  bool Enabled() const { return enabled_; }
  // False when turned off or when no notification service took it.
  bool Show(std::uint32_t bidId, const BidNotice& notice);

 private:
  std::function<void(std::uint32_t)> show_;
  bool enabled_ = true;
  // The action reaches a notification only while it exists: the latest
  // ones are kept.
  std::deque<std::unique_ptr<LibnotifyNotification>> shown_;
};
