#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <utility>

class UserInterface;

// Tells the user that a page did not match the patterns: a short box for an
// empty page or the site's maintenance page, the report dialog with the
// page for anything else. One at a time: while a report is open, later
// failures are dropped. It never waits for the user: the engine's thread
// reports, and the report shows on the user-interface thread.
//
// Any thread.
class ErrorReport {
 public:
  explicit ErrorReport(UserInterface& ui) : ui_(ui) {}

  static constexpr const char* kNoData =
      "Ebay returned no data. Check that your connection is working or try again later.";
  static constexpr const char* kSiteDown = "Ebay is temporarily down. Please try again later.";

  // Returns at once. Host and path are kept for the report's sake; the
  // dialog shows the cause and the page.
  void ReportSiteError(const std::string& cause, const std::string& host,
                       const std::string& path, const std::string& page);

  // The text of the latest failure since the last call, whether shown or
  // dropped, for the caller's own record: only where one thread uses this
  // instance.
  std::string TakeLastText() { return std::exchange(last_, {}); }

 private:
  UserInterface& ui_;
  std::string last_;
  // Shared with the closing of a report, which may come after this is gone.
  std::shared_ptr<std::atomic<bool>> open_ = std::make_shared<std::atomic<bool>>(false);
};
