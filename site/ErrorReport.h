#pragma once

#include <string>

class UserInterface;

// Tells the user that a page did not match the patterns: a short box for an
// empty page or the site's maintenance page, the report dialog with the
// page for anything else. One at a time: while a report is open, timers
// and page reads go on, and later failures are dropped.
//
// User-interface thread only.
class ErrorReport {
 public:
  explicit ErrorReport(UserInterface& ui) : ui_(ui) {}

  static constexpr const char* kNoData =
      "Ebay returned no data. Check that your connection is working or try again later.";
  static constexpr const char* kSiteDown = "Ebay is temporarily down. Please try again later.";

  // Returns when the user has closed what it showed, or at once when a
  // report is open already. Host and path are kept for the report's sake;
  // the dialog shows the cause and the page.
  void ReportSiteError(const std::string& cause, const std::string& host,
                       const std::string& path, const std::string& page);

 private:
  UserInterface& ui_;
  bool open_ = false;
};
