#include "bids/BidScheduler.h"

#include "bids/Bid.h"
#include "bids/BidList.h"
#include "bids/BidListDisplay.h"
#include "bids/SiteOperations.h"
#include "net/LocalClock.h"
#include "net/SiteRequest.h"

#include <algorithm>
#include <limits>
#include <vector>

namespace {

std::int32_t ClampToInt32(std::int64_t value) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(
      value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

}  // namespace

bool SiteOperations::MomentReached(const Bid& bid, std::int64_t) { return bid.secondsLeft <= bid.Margin(); }

BidScheduler::BidScheduler(BidList& list, SiteOperations& site, const LocalClock& clock,
                           BidListDisplay& display)
    : list_(list), site_(site), clock_(clock), display_(display) {}

void BidScheduler::TickAll() {
  BidList::Hold hold(list_);
  // The pass walks the rows as they stood when it began: a nested pass may
  // delete or re-sort rows while a placement of this one is under way.
  std::vector<Bid*> pass;
  pass.reserve(list_.RowCount());
  for (std::size_t row = 0; row < list_.RowCount(); ++row) pass.push_back(list_.BidAt(row));
  const std::uint64_t revision = list_.Revision();

  for (std::size_t i = 0; i < pass.size(); ++i) {
    Bid* bid = pass[i];
    if (list_.IsRetired(bid)) continue;
    Tick(*bid);
    if (list_.IsRetired(bid)) continue;
    if (bid->refreshWanted) RequestRead(*bid);
    const auto row = list_.Revision() == revision ? std::optional<std::size_t>(i)
                                                  : list_.RowOf(bid);
    if (row) display_.ShowRow(*row);
  }
  if (visible_) display_.SortRows();
}

void BidScheduler::Tick(Bid& bid) {
  BidList::Hold hold(list_);  // a placement may delete the bid from a nested loop
  const std::int64_t now = clock_.NowMicros();
  UpdateSecondsLeft(bid, now);
  AdvanceState(bid, now);
  if (list_.IsRetired(&bid)) return;
  CheckRefreshDue(bid, now);
}

void BidScheduler::UpdateSecondsLeft(Bid& bid, std::int64_t now) const {
  if (bid.status != BidStatus::Unknown && bid.status != BidStatus::Watching &&
      bid.status != BidStatus::BidPlaced) {
    return;
  }
  // A bid never read keeps the seconds left it has (0 when new).
  if (!bid.readTime) return;
  // Truncated toward zero, as whole seconds.
  const std::int32_t elapsed = ClampToInt32((now - *bid.readTime) / kMicrosPerSecond);
  bid.secondsLeft = ClampToInt32(std::int64_t{bid.secondsLeftAtRead} - elapsed);
}

void BidScheduler::AdvanceState(Bid& bid, std::int64_t now) {
  switch (bid.status) {
    case BidStatus::Unknown:
      if (!bid.dataFresh) return;
      if (bid.secondsLeft > 0) {
        bid.status = BidStatus::Watching;
      } else {
        DecideEnd(bid);
      }
      return;
    case BidStatus::Watching:
      if (!site_.MomentReached(bid, now)) return;
      // The state moves before the call, and the id is remembered, so that
      // no nested pass and no copy of the bid restored by a dialog can
      // place it again.
      bid.status = BidStatus::BidPlaced;
      if (placed_.insert(bid.Id()).second) site_.PlaceBid(bid);
      return;
    case BidStatus::BidPlaced:
      if (bid.secondsLeft >= 0) return;
      bid.refreshWanted = true;
      bid.dataFresh = false;
      bid.status = BidStatus::AwaitingResult;
      return;
    case BidStatus::AwaitingResult:
      if (!bid.dataFresh) return;
      if (bid.secondsLeftAtRead > 0) {
        // The page still shows time left (our end came before the site's):
        // it decides nothing.
        bid.dataFresh = false;
        bid.rereadAt = now + kRereadMicros;
        return;
      }
      DecideEnd(bid);
      return;
    case BidStatus::Invalid:
    case BidStatus::Ended:
    case BidStatus::Won:
    case BidStatus::Cancelled:
      return;
  }
}

void BidScheduler::DecideEnd(Bid& bid) const {
  const bool won = bid.account != nullptr && bid.highBidder == bid.account->UserId();
  bid.status = won ? BidStatus::Won : BidStatus::Ended;
}

void BidScheduler::CheckRefreshDue(Bid& bid, std::int64_t now) const {
  if (bid.status == BidStatus::AwaitingResult && bid.rereadAt && now >= *bid.rereadAt) {
    bid.rereadAt.reset();
    bid.refreshWanted = true;
    return;
  }
  if (bid.status != BidStatus::Watching || bid.refreshWanted) return;
  // One read per bid at a time: while one is outstanding (or its page could
  // not be read) no repeat is asked for, unless it has been waiting longer
  // than any exchange can take.
  if (!bid.dataFresh && bid.requestTime &&
      now - *bid.requestTime < kReadPatienceSeconds * kMicrosPerSecond) {
    return;
  }

  const std::int64_t left = bid.secondsLeft;
  const std::int64_t elapsed = std::int64_t{bid.secondsLeftAtRead} - bid.secondsLeft;
  if ((left > 600 && elapsed > 3600) || (left > 120 && left < 600 && elapsed > 600)) {
    bid.refreshWanted = true;
  }
}

bool BidScheduler::RequestRead(Bid& bid) {
  bid.requestTime = clock_.NowMicros();
  return site_.RequestItemPage(bid);
}

void BidScheduler::HandleRequestDone(std::unique_ptr<SiteRequest> request) {
  if (!request) return;
  BidList::Hold hold(list_);
  Bid* bid = list_.FindBidById(static_cast<std::uint32_t>(request->tag));
  if (bid != nullptr && site_.ApplyItemPage(*bid, *request) && !list_.IsRetired(bid)) Tick(*bid);
}

void BidScheduler::SetVisible(bool visible) {
  visible_ = visible;
  if (visible_) TickAll();
}

bool BidScheduler::IsAccountVerified() const { return list_.AccountRecord().IsVerified(); }
