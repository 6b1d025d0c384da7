#include "app/DesktopNotifier.h"

#include "app/WxText.h"

#include <wx/notifmsg.h>

namespace {
// Older notifications than these can no longer be acted on.
constexpr std::size_t kKept = 32;
}  // namespace

struct DesktopNotifier::Shown {
  std::uint32_t bidId = 0;
  wxNotificationMessage message;
};

DesktopNotifier::DesktopNotifier(std::function<void(std::uint32_t)> show) : show_(std::move(show)) {}

DesktopNotifier::~DesktopNotifier() = default;

bool DesktopNotifier::Show(std::uint32_t bidId, const BidNotice& notice) {
  using Kind = BidNotice::Kind;
  const Kind kind = notice.kind;
  if (!enabled_) return false;
  auto shown = std::make_unique<Shown>();
  shown->bidId = bidId;
  wxNotificationMessage& message = shown->message;
  message.SetTitle(FromSite(notice.title));
  message.SetMessage(FromSite(notice.text));
  message.SetFlags(kind == Kind::Error ? wxICON_ERROR : kind == Kind::Warning ? wxICON_WARNING : wxICON_INFORMATION);
  message.AddAction(kShowAction, "Show bid");
  message.Bind(wxEVT_NOTIFICATION_MESSAGE_ACTION, [this, bidId](wxCommandEvent&) {
    if (show_) show_(bidId);
  });
  // Warnings and failures stay until seen: the user may be away.
  if (!message.Show(kind == Kind::Info ? wxNotificationMessage::Timeout_Auto
                                       : wxNotificationMessage::Timeout_Never)) {
    return false;
  }
  shown_.push_back(std::move(shown));
  if (shown_.size() > kKept) shown_.pop_front();
  return true;
}
