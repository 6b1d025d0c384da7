#include "app/DesktopNotifier.h"

#include "app/WxText.h"

namespace {
// Older notifications than these can no longer be acted on.
constexpr std::size_t kKept = 32;
}  // namespace

DesktopNotifier::DesktopNotifier(std::function<void(std::uint32_t)> show)
    : show_(std::move(show)), service_([this](std::uint32_t id, const std::string& key) {
        if (key != kShowAction && key != kBodyAction) return;
        for (const auto& [shownId, bidId] : shown_) {
          if (shownId == id && show_) show_(bidId);
        }
      }) {}

DesktopNotifier::~DesktopNotifier() = default;

bool DesktopNotifier::Show(std::uint32_t bidId, const BidNotice& notice) {
  using Kind = BidNotice::Kind;
  const Kind kind = notice.kind;
  if (!enabled_) return false;
  NotificationService::Notice sent;
  // The bus takes only UTF-8; a site's page may be in another encoding.
  sent.summary = FromSite(notice.title).utf8_string();
  sent.body = FromSite(notice.text).utf8_string();
  sent.icon = kind == Kind::Error ? "dialog-error" : kind == Kind::Warning ? "dialog-warning" : "dialog-information";
  // Warnings and failures stay until seen: the user may be away.
  sent.timeoutMs = kind == Kind::Info ? -1 : 0;
  sent.urgency = kind == Kind::Error ? 2 : kind == Kind::Warning ? 1 : 0;
  sent.actions = {{kShowAction, "Show bid"}, {kBodyAction, "Show bid"}};
  service_.Send(sent, [this, bidId](std::uint32_t id) {
    shown_.emplace_back(id, bidId);
    if (shown_.size() > kKept) shown_.pop_front();
  });
  return true;
}
