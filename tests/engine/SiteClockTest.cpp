#include "engine/SiteClock.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

constexpr std::int64_t kSecond = 1'000'000;

// A site whose clock runs `offset` microseconds ahead of the local one,
// `roundTrip` away; it stamps a request when it has it.
struct FakeSite {
  std::int64_t offset;
  std::int64_t roundTrip;

  // A page read on a new connection, sent at local time `sent`.
  ExchangeTiming Read(std::int64_t sent, SiteTime& date) const {
    ExchangeTiming timing;
    timing.sent = sent;
    timing.newConnection = true;
    const std::int64_t stamped = sent + roundTrip + roundTrip / 2;
    timing.firstByte = stamped + roundTrip / 2;
    const std::int64_t site = stamped + offset;
    date = site >= 0 ? site / kSecond : -((-site + kSecond - 1) / kSecond);
    return timing;
  }
};

void ExpectHolds(const SiteClock& clock, const FakeSite& site) {
  // The local time at which the site's clock shows a given second, against
  // the truth, is off by no more than half the interval.
  const SiteTime second = 1'800'000'000;
  const std::int64_t truth = second * kSecond - site.offset;
  EXPECT_LE(std::llabs(clock.LocalTimeOf(second) - truth), clock.Width() / 2 + 1);
}

}  // namespace

// Replies at whatever fractions of a second they fall keep the truth inside
// the estimate; probes sent when it asks narrow it to a few hundredths,
// whatever the round trip; a reply that took long (a page slow to make)
// does not mislead it.
TEST(SiteClock, ProbesNarrowTheEstimateAroundTheTruth) {
  for (const std::int64_t roundTrip : {300, 50'000, 150'000, 300'000}) {
    SCOPED_TRACE(roundTrip);
    const FakeSite site{1'765'000'000 * kSecond + 123'457, roundTrip};
    SiteClock clock;
    std::int64_t now = 5 * kSecond;
    for (int i = 0; i < 3; ++i, now += 2'345'678) {
      SiteTime date = 0;
      clock.AddReply(date, site.Read(now, date));
      ExpectHolds(clock, site);
    }
    {
      // Stamped as it was sent, after 1.5 s of making the page.
      SiteTime date = 0;
      ExchangeTiming slow = site.Read(now, date);
      slow.firstByte += 1'500'000;
      const std::int64_t site_ = slow.firstByte - roundTrip / 2 + site.offset;
      date = site_ / kSecond;
      clock.AddReply(date, slow);
      ExpectHolds(clock, site);
      now = slow.firstByte;
    }
    int probes = 0;
    while (const auto sendAt = clock.ProbeSendTime(now)) {
      ASSERT_GE(*sendAt, now);
      ASSERT_LT(++probes, 12) << "each probe halves the interval";
      SiteTime date = 0;
      const ExchangeTiming timing = site.Read(*sendAt, date);
      clock.AddReply(date, timing);
      ExpectHolds(clock, site);
      now = timing.firstByte;
    }
    EXPECT_TRUE(clock.Precise());
    EXPECT_LE(clock.Width(), clock.ProbedWidth());
    EXPECT_LE(clock.Width(), 50'000) << "to a few hundredths, whatever the round trip";
    EXPECT_EQ(clock.Resets(), 0);
  }
}

// A reply that contradicts the estimate (the site's clock was set) starts
// it again from that reply instead of leaving an empty interval.
TEST(SiteClock, ClockSetOnTheSiteStartsAgain) {
  FakeSite site{1'765'000'000 * kSecond, 20'000};
  SiteClock clock;
  SiteTime date = 0;
  clock.AddReply(date, site.Read(kSecond, date));
  site.offset += 5 * kSecond;
  clock.AddReply(date, site.Read(3 * kSecond, date));
  EXPECT_EQ(clock.Resets(), 1);
  ExpectHolds(clock, site);
}

// The time to reach the site: one and a half round trips on a new
// connection, half a round trip on a kept one; a kept connection's
// exchange shows one round trip, a new one's two.
TEST(SiteClock, ArrivalDelayFromMeasuredExchanges) {
  SiteClock clock;
  ExchangeTiming fresh;
  fresh.sent = kSecond;
  fresh.firstByte = kSecond + 200'000;
  fresh.newConnection = true;
  ExchangeTiming kept;
  kept.sent = 2 * kSecond;
  kept.firstByte = 2 * kSecond + 100'000;
  clock.AddReply(1'765'000'000, fresh);
  clock.AddReply(1'765'000'001, kept);
  clock.AddReply(1'765'000'001, kept);
  EXPECT_EQ(clock.RoundTrip(), 100'000);
  EXPECT_EQ(clock.ArrivalDelay(false), 150'000);
  EXPECT_EQ(clock.ArrivalDelay(true), 50'000);
}
