#pragma once

#include "app/BidNotice.h"
#include "app/NotificationService.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <utility>
#include <string>

// Desktop notifications about bids, on the session bus. Each carries a
// "Show bid" action; choosing it, or clicking the notification's body,
// calls `show` with that bid's id. User-interface thread only.
class DesktopNotifier {
 public:
  // The key of the "Show bid" action; "default" is the body's.
  static constexpr const char* kShowAction = "show-bid";
  static constexpr const char* kBodyAction = "default";

  explicit DesktopNotifier(std::function<void(std::uint32_t bidId)> show);
  ~DesktopNotifier();
  DesktopNotifier(const DesktopNotifier&) = delete;
  DesktopNotifier& operator=(const DesktopNotifier&) = delete;

  void SetEnabled(bool enabled) { enabled_ = enabled; }
  bool Enabled() const { return enabled_; }
  // False when turned off. Sent without waiting: a service that never
  // answers holds nothing.
  bool Show(std::uint32_t bidId, const BidNotice& notice);

 private:
  std::function<void(std::uint32_t)> show_;
  bool enabled_ = true;
  // The action reaches a notification only while it exists: the latest
  // ones are kept (notification id -> bid id).
  std::deque<std::pair<std::uint32_t, std::uint32_t>> shown_;
  NotificationService service_;  // last: its answers come to everything above
};
