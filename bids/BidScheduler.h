#pragma once

#include <cstdint>
#include <memory>
#include <unordered_set>

class Bid;
class BidList;
class BidListDisplay;
class LocalClock;
class SiteOperations;
struct SiteRequest;

// What makes the program a sniper. Once a second (TickAll) it counts down
// every bid's seconds left from its last page read, moves the bid through
// its states, asks for new reads by the refresh rule and, on the first tick
// within the bid's margin of the end, places the bid.
//
// Re-entrant: PlaceBid and ApplyItemPage may run a nested event loop in
// which further ticks, results and row deletions happen. A bid is placed at
// most once per run, a nested pass neither skips nor repeats a bid of the
// outer pass, and a bid deleted meanwhile is not touched again.
//
// Runs on the thread that owns the bid list (the engine's).
class BidScheduler {
 public:
  // An outstanding read holds back automatic repeats for this long; longer
  // than one exchange can take before the HTTP client gives up on it.
  static constexpr std::int64_t kReadPatienceSeconds = 120;
  // A final page that still shows time left is read again this much later.
  static constexpr std::int64_t kRereadMicros = 1'000'000;

  BidScheduler(BidList& list, SiteOperations& site, const LocalClock& clock,
               BidListDisplay& display);

  // One pass over the list in row order, then a re-sort while visible.
  void TickAll();
  // UpdateSecondsLeft, AdvanceState, CheckRefreshDue.
  void Tick(Bid& bid);

  // False while the main window is minimised: bids are still placed, but the
  // list is not re-sorted. Setting it to true runs a tick at once.
  void SetVisible(bool visible);
  bool IsVisible() const { return visible_; }

  // Every read of an item page goes through here, so that the time of the
  // request is known.
  bool RequestRead(Bid& bid);

  // A finished read. A result whose bid has gone is dropped; the record is
  // freed in every case.
  void HandleRequestDone(std::unique_ptr<SiteRequest> request);

  bool IsAccountVerified() const;

  // Whether the bid's placement has begun; a bid given another item may be
  // placed again.
  bool Placed(std::uint32_t id) const { return placed_.count(id) > 0; }
  void ForgetPlacement(std::uint32_t id) { placed_.erase(id); }

 private:
  void UpdateSecondsLeft(Bid& bid, std::int64_t now) const;
  void AdvanceState(Bid& bid, std::int64_t now);
  void CheckRefreshDue(Bid& bid, std::int64_t now) const;
  void DecideEnd(Bid& bid) const;

  BidList& list_;
  SiteOperations& site_;
  const LocalClock& clock_;
  BidListDisplay& display_;
  bool visible_ = true;
  std::unordered_set<std::uint32_t> placed_;  // ids whose placement has begun
};
