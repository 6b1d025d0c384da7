#pragma once

#include "net/ExchangeTiming.h"
#include "net/SiteTime.h"

#include <cstdint>
#include <deque>
#include <optional>

// Where the site's clock stands against the local one, to a fraction of a
// second, and how long an exchange with the site takes.
//
// A reply stamped `Date: D` (whole seconds) left the site while its clock
// read between D and D + 1, half a round trip before it arrived. So each reply bounds the offset (site minus local
// time) to an interval one second wide, and the intersection of the
// replies' intervals narrows as their stamps fall at different fractions of
// a second. A probe sent so that its stamp falls on a second boundary of
// the current estimate halves the interval.
//
// Times are on the local monotonic clock in microseconds. The engine's
// thread only.
class SiteClock {
 public:
  // Below this width the estimate is trusted for the commit's timing;
  // above it, the whole-second count of the scheduler decides.
  static constexpr std::int64_t kPreciseWidth = 500'000;
  // Probing stops once the interval is this narrow (or as narrow as the
  // round trip lets it be: ProbedWidth).
  static constexpr std::int64_t kProbedWidth = 30'000;

  void AddReply(SiteTime date, const ExchangeTiming& timing);

  bool Known() const { return known_; }
  bool Precise() const { return known_ && Width() < kPreciseWidth; }
  std::int64_t Width() const { return hi_ - lo_; }
  // The local time at which the site's clock shows `siteTime` (middle of
  // the estimate). Only meaningful when Known.
  std::int64_t LocalTimeOf(SiteTime siteTime) const;
  // The site's clock, in microseconds, when the local one reads `local`
  // (middle of the estimate). Only meaningful when Known.
  std::int64_t SiteMicrosAt(std::int64_t local) const { return local + lo_ + (hi_ - lo_) / 2; }

  // The shortest of the last round trips seen (a guess before any).
  std::int64_t RoundTrip() const;
  // From sending a request until the site has it.
  std::int64_t ArrivalDelay(bool keptConnection) const;

  // When a probe must leave, no earlier than `earliest`, so that the site
  // stamps it on a second boundary of the estimate, for a page the site
  // takes `making` to make; none when the estimate is narrow enough or not
  // known yet.
  std::optional<std::int64_t> ProbeSendTime(std::int64_t earliest, std::int64_t making = 0) const;
  // How much longer than the network accounts for the exchange took: the
  // site's time to make the page (or a late thread of ours).
  std::int64_t Extra(const ExchangeTiming& timing) const;

  int Resets() const { return resets_; }
  std::int64_t ProbedWidth() const;

 private:
  // How far a reply's stamp may be from where it is reckoned to be.
  std::int64_t Slack() const;
  std::int64_t Handshake() const;

  bool known_ = false;
  std::int64_t lo_ = 0, hi_ = 0;  // offset bounds: site microseconds minus local
  std::deque<std::int64_t> roundTrips_;
  std::deque<std::int64_t> handshakes_;
  int resets_ = 0;
};
