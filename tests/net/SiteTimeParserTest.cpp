#include "net/SiteTimeParser.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

namespace {

struct StampCase {
  const char* text;
  bool ok;
  SiteTime utc;  // seconds since 1970 UTC, when ok
  int timeOffset = 0;
};

class ParseStamp : public testing::TestWithParam<StampCase> {};

// The value is the stamp's moment in UTC: each zone of the table moves it
// by its hours (and by the user's offset, except GMT).
TEST_P(ParseStamp, ReadsFormatsMonthsAndZones) {
  const StampCase& c = GetParam();
  SiteTimeParser parser;
  parser.SetTimeOffset(c.timeOffset);
  SiteTime value = -42;
  EXPECT_EQ(parser.ParseSiteTime(c.text, value), c.ok) << c.text;
  EXPECT_EQ(value, c.ok ? c.utc : -42) << c.text << " (a failure leaves the value alone)";
}

constexpr SiteTime kDec13_2003_0222 = 1071282153;  // 13 Dec 2003 02:22:33 UTC

INSTANTIATE_TEST_SUITE_P(
    Stamps, ParseStamp,
    testing::Values(
        StampCase{"Sat, 05 Dec 2026 14:21:21 GMT", true, 1796480481},
        StampCase{"Ends: Dec-12-03 18:22:33 PST (3 days left)", true, kDec13_2003_0222},
        StampCase{"12-Dec-03 18:22:33 PST", true, kDec13_2003_0222},
        StampCase{"12 Dec 2003 18:22:33 PST", true, kDec13_2003_0222},
        StampCase{"Dec 12 2003 18:22:33 PST", true, kDec13_2003_0222},
        StampCase{"dec-12-03 18:22:33 PST", true, kDec13_2003_0222},
        StampCase{"Dec-12-03 19:22:33 PDT", true, kDec13_2003_0222},
        StampCase{"Dec-12-03 18:22:33 PST", true, kDec13_2003_0222 - 3600, 1},
        StampCase{"Dec-12-03 19:22:33 PDT", true, kDec13_2003_0222 - 3600, 1},
        StampCase{"Fri, 12 Dec 2003 10:00:00 GMT", true, 1071223200, 5},
        StampCase{"Dec-13-03 13:22:33 AEDT", true, kDec13_2003_0222},
        StampCase{"Dec-13-03 13:22:33 AEDST", true, kDec13_2003_0222},
        StampCase{"Jan-01-69 00:00:00 GMT", true, 3124224000},
        StampCase{"Jan-01-70 00:00:00 GMT", true, 0},
        StampCase{"Dec-31-2099 23:59:59 GMT", true, 4102444799},
        StampCase{"Jan-00-70 24:00:00 GMT", true, 0},
        StampCase{"Dec-12-03 18:22:33 pst", false, 0},
        StampCase{"Dec-12-03 18:22:33 MEZ", false, 0},
        StampCase{"December-12-03 18:22:33 PST", false, 0},
        StampCase{"Sat, 05 Foo 2026 14:21:21 GMT", false, 0},
        StampCase{"no date here", false, 0}, StampCase{"", false, 0}));

// Absurd numbers saturate rather than overflow.
TEST(SiteTimeParser, SaturatesHugeNumbers) {
  SiteTimeParser parser;
  SiteTime a = 0, b = 0;
  ASSERT_TRUE(parser.ParseSiteTime("Dec-12-99999999999999999999 99999999999:22:33 GMT", a));
  ASSERT_TRUE(parser.ParseSiteTime("Dec-12-2147483647 2147483647:22:33 GMT", b));
  EXPECT_EQ(a, b);
}

class ZoneIndependence : public testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    const char* old = std::getenv("TZ");
    if (old != nullptr) saved_ = old;
    hadTz_ = old != nullptr;
    setenv("TZ", GetParam(), 1);
    tzset();
  }
  void TearDown() override {
    if (hadTz_) setenv("TZ", saved_.c_str(), 1); else unsetenv("TZ");
    tzset();
  }

 private:
  std::string saved_;
  bool hadTz_ = false;
};

// The seconds left of a read are the same in every local zone, also when a
// daylight-saving change of that zone falls between the two stamps.
TEST_P(ZoneIndependence, SecondsLeftAreTheSame) {
  SiteTimeParser parser;
  struct Pair {
    const char* date;
    const char* ending;
    SiteTime secondsLeft;
  };
  for (const Pair& p : {Pair{"Fri, 12 Dec 2003 10:00:00 GMT", "Dec-12-03 18:22:33 PST", 58953},
                        Pair{"Sat, 28 Mar 2026 12:00:00 GMT", "Mar-29-26 12:00:00 GMT", 86400},
                        Pair{"Sat, 31 Oct 2026 12:00:00 GMT", "Nov-01-26 04:00:00 PST", 86400},
                        Pair{"Sat, 03 Oct 2026 12:00:00 GMT", "04-Oct-26 23:00:00 AEDT", 86400}}) {
    SiteTime now = 0, end = 0;
    ASSERT_TRUE(parser.ParseSiteTime(p.date, now));
    ASSERT_TRUE(parser.ParseSiteTime(p.ending, end));
    EXPECT_EQ(end - now, p.secondsLeft) << p.date << " / " << p.ending;
  }
}

INSTANTIATE_TEST_SUITE_P(Zones, ZoneIndependence,
                         testing::Values("UTC", "America/Los_Angeles", "Australia/Sydney",
                                         "Asia/Kathmandu", "CET-1CEST,M3.5.0,M10.5.0/3",
                                         "PST8PDT,M3.2.0,M11.1.0"));

}  // namespace
