#pragma once

#include "net/SiteTime.h"

#include <boost/regex.hpp>

#include <atomic>
#include <map>
#include <string>

// Turns the site's time stamps into SiteTime values: the HTTP Date header
// ("Sat, 05 Dec 2026 14:21:21 GMT") and an item page's ending time, month
// first ("Dec-12-03 18:22:33 PST") or day first ("12-Dec-03 18:22:33 PST").
// Both texts of one page read go through the same parser, so their
// difference is the time left whatever the user's own zone and clock.
//
// Parsing happens on the engine's thread; the offset is set on the
// user-interface thread, hence atomic.
class SiteTimeParser {
 public:
  SiteTimeParser();

  // False, with `out` untouched, when no stamp is found or its month or zone
  // is not known.
  bool ParseSiteTime(const std::string& text, SiteTime& out) const;

  // The user's time_offset setting, in whole hours: added to every zone of
  // the table except GMT.
  void SetTimeOffset(int hours) { timeOffset_ = hours; }
  int GetTimeOffset() const { return timeOffset_; }

 private:
  struct DateFields {
    long long seconds = 0, minutes = 0, hours = 0, day = 0, year = 0;
    std::string zone, month;
  };

  bool FindFields(const std::string& text, DateFields& fields) const;

  boost::regex httpDate_;
  boost::regex monthFirst_;
  boost::regex dayFirst_;
  std::map<std::string, int> zones_;
  std::atomic<int> timeOffset_{0};
};
