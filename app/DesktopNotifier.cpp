#include "app/DesktopNotifier.h"

#include "app/LibnotifyNotification.h"
#include "app/WxText.h"

namespace {
// Older notifications than these can no longer be acted on.
constexpr std::size_t kKept = 32;
}  // namespace

DesktopNotifier::DesktopNotifier(std::function<void(std::uint32_t)> show) : show_(std::move(show)) {}

DesktopNotifier::~DesktopNotifier() = default;

bool DesktopNotifier::Show(std::uint32_t bidId, const BidNotice& notice) {
  using Kind = BidNotice::Kind;
  const Kind kind = notice.kind;
  if (!enabled_) return false;
  using Urgency = LibnotifyNotification::Urgency;
  auto message = std::make_unique<LibnotifyNotification>(
      ToBytes(FromSite(notice.title)), ToBytes(FromSite(notice.text)),
      kind == Kind::Error ? "dialog-error" : kind == Kind::Warning ? "dialog-warning" : "dialog-information",
      kind == Kind::Error ? Urgency::Critical : kind == Kind::Warning ? Urgency::Normal : Urgency::Low);
  const auto showBid = [this, bidId] {
    if (show_) show_(bidId);
  };
  message->AddAction(kShowAction, "Show bid", showBid);
  message->AddAction(LibnotifyNotification::kBodyAction, "Show bid", showBid);
  // Warnings and failures stay until seen: the user may be away.
  if (!message->Show(kind != Kind::Info)) return false;
  shown_.push_back(std::move(message));
  if (shown_.size() > kKept) shown_.pop_front();
  return true;
}
