#include "site/ErrorReport.h"

#include "net/UserInterface.h"

void ErrorReport::ReportSiteError(const std::string& cause, const std::string& /*host*/,
                                  const std::string& /*path*/, const std::string& page) {
  const auto holds = [&page](const char* text) { return page.find(text) != std::string::npos; };
  const bool down = holds("Temporarily Unavailable") || holds("temporarily unavailable") ||
                    holds("scheduled maintenance");
  last_ = page.empty() ? kNoData : (down ? kSiteDown : cause);
  if (open_->exchange(true)) return;
  // Whatever happens to the report, its closing lets the next one through;
  // so does a failure to show it at all.
  const auto closed = [open = open_] { *open = false; };
  struct Unshown {
    std::shared_ptr<std::atomic<bool>> open;
    bool posted = false;
    ~Unshown() {
      if (!posted) *open = false;
    }
  } unshown{open_};
  if (page.empty()) {
    ui_.PostErrorBox(kNoData, closed);
  } else if (down) {
    ui_.PostErrorBox(kSiteDown, closed);
  } else {
    ui_.PostErrorReport(cause, page, closed);
  }
  unshown.posted = true;
}
