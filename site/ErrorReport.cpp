#include "site/ErrorReport.h"

#include "net/UserInterface.h"

void ErrorReport::ReportSiteError(const std::string& cause, const std::string& /*host*/,
                                  const std::string& /*path*/, const std::string& page) {
  if (open_) return;
  open_ = true;
  const auto holds = [&page](const char* text) { return page.find(text) != std::string::npos; };
  if (page.empty()) {
    ui_.ShowErrorBox(kNoData);
  } else if (holds("Temporarily Unavailable") || holds("temporarily unavailable") ||
             holds("scheduled maintenance")) {
    ui_.ShowErrorBox(kSiteDown);
  } else {
    ui_.ShowErrorReport(cause, page);
  }
  open_ = false;
}
