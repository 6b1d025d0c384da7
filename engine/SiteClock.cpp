#include "engine/SiteClock.h"

#include <algorithm>
#include <vector>

namespace {

constexpr std::int64_t kSecond = 1'000'000;
constexpr std::size_t kKept = 16;  // exchanges remembered

std::int64_t Median(const std::deque<std::int64_t>& values) {
  std::vector<std::int64_t> sorted(values.begin(), values.end());
  std::nth_element(sorted.begin(), sorted.begin() + sorted.size() / 2, sorted.end());
  return sorted[sorted.size() / 2];
}

std::int64_t Least(const std::deque<std::int64_t>& values) {
  return *std::min_element(values.begin(), values.end());
}

void Keep(std::deque<std::int64_t>& values, std::int64_t value) {
  values.push_back(value);
  if (values.size() > kKept) values.pop_front();
}

// Division that rounds toward minus infinity.
std::int64_t FloorDiv(std::int64_t a, std::int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

}  // namespace

void SiteClock::AddReply(SiteTime date, const ExchangeTiming& timing) {
  if (timing.sent == 0 || timing.firstByte < timing.sent) return;
  Keep(roundTrips_, timing.RoundTrip());
  if (timing.newConnection) Keep(handshakes_, timing.handshake);

  // The site stamps its reply as it sends it, half a round trip before it
  // comes. An exchange that took longer than the network accounts for (a
  // page slow to make, or a thread of ours that ran late) is less sure: it
  // narrows the estimate where it agrees, but never overturns it.
  const std::int64_t roundTrip = RoundTrip();
  const bool plain = Extra(timing) <= Slack();
  const std::int64_t stamped = timing.firstByte - roundTrip / 2;
  const std::int64_t lo = date * kSecond - stamped - Slack();
  const std::int64_t hi = (date + 1) * kSecond - stamped + Slack();
  if (known_ && std::max(lo, lo_) < std::min(hi, hi_)) {
    lo_ = std::max(lo, lo_);
    hi_ = std::min(hi, hi_);
    return;
  }
  if (known_ && !plain) return;
  // The first reply, or one that contradicts the others (the site's clock
  // was set): start again from it.
  if (known_) ++resets_;
  known_ = true;
  lo_ = lo;
  hi_ = hi;
}

std::int64_t SiteClock::Extra(const ExchangeTiming& timing) const {
  const std::int64_t roundTrip = RoundTrip();
  const std::int64_t network = timing.newConnection ? 2 * roundTrip + timing.handshake : roundTrip;
  return std::max<std::int64_t>(0, timing.firstByte - timing.sent - network);
}

std::int64_t SiteClock::Slack() const { return 2'000 + RoundTrip() / 20; }

std::int64_t SiteClock::ProbedWidth() const { return std::max(kProbedWidth, 2 * Slack() + 10'000); }

std::int64_t SiteClock::LocalTimeOf(SiteTime siteTime) const {
  return siteTime * kSecond - (lo_ + (hi_ - lo_) / 2);
}

// The least of the last few: time the site spent making a page only ever
// adds to an exchange.
std::int64_t SiteClock::RoundTrip() const {
  return roundTrips_.empty() ? 300'000 : Least(roundTrips_);
}

std::int64_t SiteClock::Handshake() const { return handshakes_.empty() ? 0 : Median(handshakes_); }

std::int64_t SiteClock::ArrivalDelay(bool keptConnection) const {
  const std::int64_t roundTrip = RoundTrip();
  return keptConnection ? roundTrip / 2 : roundTrip + Handshake() + roundTrip / 2;
}

std::optional<std::int64_t> SiteClock::ProbeSendTime(std::int64_t earliest, std::int64_t making) const {
  if (!known_ || Width() <= ProbedWidth()) return std::nullopt;
  // A page read is stamped once the site has the request and has made it.
  const std::int64_t toStamp = ArrivalDelay(false) + making;
  const std::int64_t middle = lo_ + (hi_ - lo_) / 2;
  // The first local time after earliest + toStamp at which the site's clock,
  // by the middle of the estimate, turns a whole second.
  const std::int64_t stampFrom = earliest + toStamp;
  const std::int64_t boundary = (FloorDiv(stampFrom + middle, kSecond) + 1) * kSecond - middle;
  return boundary - toStamp;
}
