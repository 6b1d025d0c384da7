#include "bids/BidScheduler.h"

#include "bids/BidList.h"
#include "bids/BidListDisplay.h"
#include "bids/SiteOperations.h"
#include "net/LocalClock.h"
#include "net/SiteRequest.h"
#include "site/ServerList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace {

class FakeClock : public LocalClock {
 public:
  std::int64_t NowMicros() const override { return now * kMicrosPerSecond; }
  std::int64_t now = 1'700'000'000;
};

// Records what the scheduler asks of the site. A delivered read carries the
// seconds left in its Date header field and the high bidder as its page.
class RecordingSite : public SiteOperations {
 public:
  explicit RecordingSite(const FakeClock& clock) : clock_(clock) {}

  bool RequestItemPage(Bid& bid) override {
    bid.refreshWanted = false;
    bid.dataFresh = false;
    requested.push_back(bid.Id());
    return true;
  }
  bool ApplyItemPage(Bid& bid, const SiteRequest& request) override {
    applied.push_back(bid.Id());
    bid.secondsLeftAtRead = std::stoi(request.dateHeader);
    bid.highBidder = request.page;
    bid.readTime = clock_.NowMicros();
    bid.dataFresh = true;
    return true;
  }
  bool PlaceBid(Bid& bid) override {
    placed.push_back(bid.Id());
    placedAt[bid.Id()] = clock_.Now();
    if (onPlace) onPlace(bid);
    return placeSucceeds;
  }

  std::vector<std::uint32_t> requested, applied, placed;
  std::map<std::uint32_t, std::int64_t> placedAt;
  std::function<void(Bid&)> onPlace;
  bool placeSucceeds = true;

 private:
  const FakeClock& clock_;
};

// Records the rows shown; sorts like the list's default, by time left.
class RecordingDisplay : public BidListDisplay {
 public:
  explicit RecordingDisplay(BidList& list) : list_(list) {}
  void ShowRow(std::size_t row) override {
    ASSERT_LT(row, list_.RowCount());
    shown.push_back(list_.BidAt(row)->Id());
  }
  void SortRows() override {
    ++sorts;
    list_.SortRows([](const Bid& a, const Bid& b) { return a.secondsLeft < b.secondsLeft; });
  }
  long ShownCount(std::uint32_t id) const { return std::count(shown.begin(), shown.end(), id); }

  std::vector<std::uint32_t> shown;
  int sorts = 0;

 private:
  BidList& list_;
};

class SchedulerTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(list_.AccountRecord().SetAccount(ServerList(QUORREL_SHIPPED_SERVERS), "joe",
                                                 "secret", "USA"));
  }

  Bid& Add(std::int32_t margin = 30) {
    Bid bid;
    bid.SetItem(static_cast<std::uint32_t>(list_.RowCount() + 1));
    bid.SetMargin(margin);
    return *list_.BidAt(list_.AddBid(bid));
  }

  // A page read arrives, the way the worker hands one over.
  void Deliver(const Bid& bid, std::int32_t secondsLeft, const std::string& highBidder = "") {
    auto request = std::make_unique<SiteRequest>();
    request->tag = static_cast<std::int32_t>(bid.Id());
    request->dateHeader = std::to_string(secondsLeft);
    request->page = highBidder;
    scheduler_.HandleRequestDone(std::move(request));
  }

  // A bid that has been read once, now, with so many seconds left.
  Bid& Watch(std::int32_t secondsLeft, std::int32_t margin = 30) {
    Bid& bid = Add(margin);
    Deliver(bid, secondsLeft);
    return bid;
  }

  long Count(const std::vector<std::uint32_t>& ids, const Bid& bid) const {
    return std::count(ids.begin(), ids.end(), bid.Id());
  }

  FakeClock clock_;
  BidList list_;
  RecordingSite site_{clock_};
  RecordingDisplay display_{list_};
  BidScheduler scheduler_{list_, site_, clock_, display_};
};

struct StateCase {
  const char* label;
  BidStatus status;
  bool dataFresh;
  std::int32_t secondsLeft;
  const char* highBidder;
  BidStatus expected;
  bool placed;
};

class StateTable : public SchedulerTest, public testing::WithParamInterface<StateCase> {};

// One tick moves a bid by the state table; the winner test compares the
// user id byte for byte.
TEST_P(StateTable, OneTickMovesTheBid) {
  const StateCase& c = GetParam();
  Bid& bid = Add(30);
  bid.status = c.status;
  bid.dataFresh = c.dataFresh;
  bid.highBidder = c.highBidder;
  bid.readTime = clock_.NowMicros();
  bid.secondsLeftAtRead = c.secondsLeft;

  scheduler_.Tick(bid);
  EXPECT_EQ(bid.status, c.expected);
  EXPECT_EQ(site_.placed.size(), c.placed ? 1u : 0u);
  if (c.status == BidStatus::BidPlaced && c.expected == BidStatus::AwaitingResult) {
    EXPECT_TRUE(bid.refreshWanted) << "the end asks for the final read";
    EXPECT_FALSE(bid.dataFresh);
  }
}

using S = BidStatus;
INSTANTIATE_TEST_SUITE_P(
    States, StateTable,
    testing::Values(StateCase{"unknown_unread", S::Unknown, false, 10, "", S::Unknown, false},
                    StateCase{"unknown_running", S::Unknown, true, 10, "", S::Watching, false},
                    StateCase{"unknown_over_won", S::Unknown, true, 0, "joe", S::Won, false},
                    StateCase{"unknown_over_ended", S::Unknown, true, -5, "ann", S::Ended, false},
                    StateCase{"watching_before_margin", S::Watching, true, 31, "", S::Watching, false},
                    StateCase{"watching_at_margin", S::Watching, true, 30, "", S::BidPlaced, true},
                    StateCase{"watching_past_end", S::Watching, true, -100, "", S::BidPlaced, true},
                    StateCase{"placed_at_end", S::BidPlaced, true, 0, "", S::BidPlaced, false},
                    StateCase{"placed_past_end", S::BidPlaced, true, -1, "", S::AwaitingResult, false},
                    StateCase{"awaiting_unread", S::AwaitingResult, false, -1, "joe", S::AwaitingResult, false},
                    StateCase{"awaiting_won", S::AwaitingResult, true, -1, "joe", S::Won, false},
                    StateCase{"awaiting_case_differs", S::AwaitingResult, true, -1, "Joe", S::Ended, false},
                    StateCase{"awaiting_longer_name", S::AwaitingResult, true, -1, "joe ", S::Ended, false},
                    StateCase{"awaiting_no_bidder", S::AwaitingResult, true, -1, "", S::Ended, false},
                    StateCase{"invalid_is_final", S::Invalid, true, 10, "joe", S::Invalid, false},
                    StateCase{"ended_is_final", S::Ended, true, 10, "joe", S::Ended, false},
                    StateCase{"won_is_final", S::Won, true, -10, "ann", S::Won, false}),
    [](const testing::TestParamInfo<StateCase>& info) { return info.param.label; });

struct BandCase {
  std::int32_t leftAtRead;
  std::int64_t elapsed;
  bool refresh;
};

class RefreshBands : public SchedulerTest, public testing::WithParamInterface<BandCase> {};

// Over ten minutes to go: read again once the last read is over an hour
// old; two to ten minutes: over ten minutes old; the bounds are strict.
TEST_P(RefreshBands, AskForANewReadStrictly) {
  const BandCase& c = GetParam();
  const Bid& bid = Watch(c.leftAtRead);
  clock_.now += c.elapsed;
  scheduler_.TickAll();
  EXPECT_EQ(Count(site_.requested, bid), c.refresh ? 1 : 0)
      << c.leftAtRead - c.elapsed << " s left, read " << c.elapsed << " s ago";
}

INSTANTIATE_TEST_SUITE_P(Bands, RefreshBands,
                         testing::Values(BandCase{8000, 3601, true}, BandCase{8000, 3600, false},
                                         BandCase{5601, 5000, true}, BandCase{5600, 5000, false},
                                         BandCase{1199, 600, false}, BandCase{1200, 601, true},
                                         BandCase{901, 601, true}, BandCase{900, 600, false},
                                         BandCase{722, 601, true}, BandCase{721, 601, false},
                                         BandCase{5120, 5000, false}));

// The whole road of one auction, a second at a time.
TEST_F(SchedulerTest, PlacesOnceAtTheMarginThenReadsTheResult) {
  site_.placeSucceeds = false;  // a failed placement moves on all the same
  const std::int64_t start = clock_.now;
  Bid& bid = Watch(35, 30);
  ASSERT_EQ(bid.status, BidStatus::Watching);

  for (int second = 1; second <= 40; ++second) {
    clock_.now = start + second;
    scheduler_.TickAll();
    if (second == 4) {
      EXPECT_TRUE(site_.placed.empty()) << "31 s left";
    }
  }
  ASSERT_EQ(site_.placed, std::vector<std::uint32_t>{bid.Id()});
  EXPECT_EQ(site_.placedAt[bid.Id()], start + 5) << "the first tick at 30 s left";
  EXPECT_EQ(bid.status, BidStatus::AwaitingResult);
  EXPECT_EQ(Count(site_.requested, bid), 1) << "one final read, not one a tick";

  Deliver(bid, -6, "joe");
  EXPECT_EQ(bid.status, BidStatus::Won);
}

class Asleep : public SchedulerTest, public testing::WithParamInterface<std::int64_t> {};

// The computer slept through the end: the bid is still placed at the next
// tick, and the tick after asks for the result.
TEST_P(Asleep, EndPassedWithoutTicks) {
  Bid& bid = Watch(1000);
  clock_.now += GetParam();
  scheduler_.TickAll();
  EXPECT_EQ(Count(site_.placed, bid), 1);
  EXPECT_EQ(bid.status, BidStatus::BidPlaced);
  scheduler_.TickAll();
  EXPECT_EQ(bid.status, BidStatus::AwaitingResult);
  EXPECT_EQ(Count(site_.requested, bid), 1);
}

INSTANTIATE_TEST_SUITE_P(Sleeps, Asleep, testing::Values(5000, 4'000'000'000, 9'000'000'000'000));

TEST_F(SchedulerTest, FirstReadAfterTheEndDecidesWithoutPlacing) {
  const Bid& won = Add();
  const Bid& lost = Add();
  Deliver(won, -10, "joe");
  Deliver(lost, 0, "ann");
  EXPECT_EQ(won.status, BidStatus::Won);
  EXPECT_EQ(lost.status, BidStatus::Ended);
  EXPECT_TRUE(site_.placed.empty());
}

// Bids due in the same tick are placed in the order of the rows as the last
// sort left them, not in the order they were added.
TEST_F(SchedulerTest, SameTickPlacesInDisplayOrder) {
  const Bid& x = Watch(50);
  const Bid& y = Watch(45);
  const Bid& z = Watch(40);
  scheduler_.TickAll();  // sorts: z, y, x
  clock_.now += 20;
  scheduler_.TickAll();
  EXPECT_EQ(site_.placed, (std::vector<std::uint32_t>{z.Id(), y.Id(), x.Id()}));
}

// One read per bid at a time, with a way out when the reply never comes.
TEST_F(SchedulerTest, OutstandingReadHoldsBackRepeats) {
  const Bid& bid = Watch(8000);
  clock_.now += 3601;
  const std::int64_t asked = clock_.now;
  scheduler_.TickAll();
  ASSERT_EQ(Count(site_.requested, bid), 1);
  for (clock_.now = asked + 1; clock_.now < asked + BidScheduler::kReadPatienceSeconds; ++clock_.now) {
    scheduler_.TickAll();
  }
  EXPECT_EQ(Count(site_.requested, bid), 1);
  clock_.now = asked + BidScheduler::kReadPatienceSeconds;
  scheduler_.TickAll();
  EXPECT_EQ(Count(site_.requested, bid), 2) << "no reply: ask again";

  Deliver(bid, 4000);
  clock_.now += 10;
  scheduler_.TickAll();
  EXPECT_EQ(Count(site_.requested, bid), 2) << "a fresh read needs no other";
}

TEST_F(SchedulerTest, NeverReadBidKeepsZeroSecondsAndIsNotPlaced) {
  const Bid& bid = Add();
  for (int i = 0; i < 3; ++i) {
    clock_.now += 100000;
    scheduler_.TickAll();
  }
  EXPECT_EQ(bid.secondsLeft, 0);
  EXPECT_EQ(bid.status, BidStatus::Unknown);
  EXPECT_TRUE(site_.placed.empty());
}

TEST_F(SchedulerTest, ResultForADeletedBidIsDropped) {
  const Bid& bid = Add();
  const std::uint32_t id = bid.Id();
  list_.DeleteRow(0);
  auto request = std::make_unique<SiteRequest>();
  request->tag = static_cast<std::int32_t>(id);
  request->dateHeader = "100";
  scheduler_.HandleRequestDone(std::move(request));
  EXPECT_TRUE(site_.applied.empty());
  scheduler_.HandleRequestDone(nullptr);
}

// While minimised the list is not re-sorted, but bids are still placed on
// time; showing the window again ticks at once.
TEST_F(SchedulerTest, MinimisedStillPlacesButDoesNotSort) {
  const Bid& bid = Watch(31);
  scheduler_.SetVisible(false);
  clock_.now += 1;
  scheduler_.TickAll();
  EXPECT_EQ(Count(site_.placed, bid), 1);
  EXPECT_EQ(display_.sorts, 0);
  EXPECT_EQ(display_.ShownCount(bid.Id()), 1) << "rows are still written";
  scheduler_.SetVisible(true);
  EXPECT_EQ(display_.sorts, 1);
  EXPECT_EQ(display_.ShownCount(bid.Id()), 2);
}

// An error box during a placement runs a nested loop: ticks go on in it and
// the user deletes rows. Bids due meanwhile are placed on time, none twice;
// the outer pass neither skips nor repeats a bid nor touches a deleted one.
TEST_F(SchedulerTest, NestedPassWhilePlacingIsSound) {
  Bid& a = Watch(30);
  const Bid& b = Watch(25);
  Bid& c = Watch(20);
  const Bid& d = Watch(1000);
  const Bid& e = Watch(40);
  const std::uint32_t cId = c.Id();
  const std::int64_t start = clock_.now;

  site_.onPlace = [&](Bid& placing) {
    if (placing.Id() != a.Id()) return;
    list_.DeleteRow(*list_.RowOf(&c));
    for (int second = 0; second <= 10; ++second) {  // the box stays open ten seconds
      clock_.now = start + second;
      scheduler_.TickAll();
    }
  };
  scheduler_.TickAll();

  EXPECT_EQ(Count(site_.placed, a), 1);
  EXPECT_EQ(Count(site_.placed, b), 1);
  EXPECT_EQ(std::count(site_.placed.begin(), site_.placed.end(), cId), 0);
  EXPECT_EQ(site_.placedAt[b.Id()], start) << "due in the same tick as a: placed at once, not after the box";
  EXPECT_EQ(site_.placedAt[e.Id()], start + 10) << "fell due while the box was open";
  EXPECT_EQ(display_.ShownCount(cId), 0);
  EXPECT_EQ(display_.ShownCount(d.Id()), 12) << "eleven nested passes and the outer one";
  EXPECT_EQ(display_.ShownCount(a.Id()), 12);
}

TEST_F(SchedulerTest, BidDeletedDuringItsOwnPlacementIsLeftAlone) {
  Bid& a = Watch(30);
  const Bid& other = Watch(1000);
  const std::uint32_t aId = a.Id();
  site_.onPlace = [&](Bid& placing) {
    list_.DeleteRow(*list_.RowOf(&placing));
    scheduler_.TickAll();
  };
  scheduler_.TickAll();
  EXPECT_EQ(site_.placed, std::vector<std::uint32_t>{aId});
  EXPECT_EQ(display_.ShownCount(aId), 0);
  EXPECT_EQ(display_.ShownCount(other.Id()), 2);
  EXPECT_EQ(list_.RowCount(), 1u);
}

// A dialog that copies an older state of the bid back (an edit opened
// before the bid moment) cannot make it be placed again.
TEST_F(SchedulerTest, CopyRestoredAfterPlacementIsNotPlacedAgain) {
  Bid& a = Watch(30);
  site_.onPlace = [&](Bid& placing) {
    Bid stale = placing;
    stale.status = BidStatus::Watching;
    placing = stale;
  };
  scheduler_.TickAll();
  scheduler_.TickAll();
  EXPECT_EQ(Count(site_.placed, a), 1);
  EXPECT_EQ(a.status, BidStatus::BidPlaced);
}

}  // namespace
