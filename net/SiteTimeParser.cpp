#include "net/SiteTimeParser.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <strings.h>

namespace {

constexpr std::array<const char*, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// Digits of any length: a value past the int range saturates instead of
// overflowing.
long long ToNumber(const std::string& digits) {
  constexpr long long kLimit = std::numeric_limits<int>::max();
  long long value = 0;
  const auto result = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (result.ec == std::errc::result_out_of_range) return kLimit;
  return std::min(value, kLimit);
}

// Days from 1970-01-01 to the given civil date of the proleptic Gregorian
// calendar; day numbers past the month's end carry into the next months.
long long DaysFromCivil(long long year, int month /* 1..12 */, long long day) {
  year -= month <= 2;
  const long long era = (year >= 0 ? year : year - 399) / 400;
  const long long yearOfEra = year - era * 400;
  const long long dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5;
  const long long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468 + (day - 1);
}

}  // namespace

SiteTimeParser::SiteTimeParser()
    : httpDate_(R"(\s*\w+,\s+(\d+)\s+(\w+)\s+(\d+)\s+(\d+):(\d+):(\d+)\s+(\w+))"),
      monthFirst_(R"(\s*(\w+)(-|\s)(\d+)(-|\s)(\d+)\s+(\d+):(\d+):(\d+)\s+(\w+))"),
      dayFirst_(R"(\s*(\d+)(-|\s)(\w+)(-|\s)(\d+)\s+(\d+):(\d+):(\d+)\s+(\w+))"),
      zones_{{"GMT", 0},  {"BST", 1},  {"CET", 1},   {"CEST", 2},  {"PST", -8},   {"PDT", -7},
             {"EST", -5}, {"EDT", -4}, {"AEST", 10}, {"AEDT", 11}, {"AEDST", 11}} {}

bool SiteTimeParser::FindFields(const std::string& text, DateFields& f) const {
  // Which group holds which field, per pattern, in the order they are tried.
  struct Groups {
    const boost::regex& pattern;
    int day, month, year, hours, minutes, seconds, zone;
  };
  const Groups layouts[] = {{httpDate_, 1, 2, 3, 4, 5, 6, 7},
                            {monthFirst_, 3, 1, 5, 6, 7, 8, 9},
                            {dayFirst_, 1, 3, 5, 6, 7, 8, 9}};
  try {
    for (const Groups& g : layouts) {
      boost::smatch m;
      if (!boost::regex_search(text, m, g.pattern)) continue;
      f.day = ToNumber(m[g.day]);
      f.month = m[g.month];
      f.year = ToNumber(m[g.year]);
      f.hours = ToNumber(m[g.hours]);
      f.minutes = ToNumber(m[g.minutes]);
      f.seconds = ToNumber(m[g.seconds]);
      f.zone = m[g.zone];
      return true;
    }
  } catch (const std::runtime_error&) {
    // A text that makes the search exceed its limits holds no stamp we trust.
  }
  return false;
}

bool SiteTimeParser::ParseSiteTime(const std::string& text, SiteTime& out) const {
  DateFields f;
  if (!FindFields(text, f)) return false;

  const auto month = std::find_if(kMonths.begin(), kMonths.end(), [&](const char* name) {
    return strcasecmp(name, f.month.c_str()) == 0;
  });
  if (month == kMonths.end()) return false;

  const auto zone = zones_.find(f.zone);
  if (zone == zones_.end()) return false;
  long long zoneHours = zone->second;
  if (zoneHours != 0) zoneHours += timeOffset_;

  // Two-digit years 0-69 mean 2000-2069, 70-99 mean 1970-1999.
  long long year = f.year;
  if (year < 70) year += 2000;
  else if (year <= 1000) year += 1900;

  // The stamp's wall-clock time in UTC, counted on the UTC calendar: the
  // local zone never enters, so a daylight-saving change of the user's zone
  // between the two stamps of a read cannot shift the time left.
  const long long days =
      DaysFromCivil(year, static_cast<int>(month - kMonths.begin()) + 1, f.day);
  out = days * 86400 + (f.hours - zoneHours) * 3600 + f.minutes * 60 + f.seconds;
  return true;
}
