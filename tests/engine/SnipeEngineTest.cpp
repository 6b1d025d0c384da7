#include "engine/SnipeEngine.h"

#include "bids/BidColumns.h"
#include "engine/HistoryLog.h"

#include "net/HttpClient.h"
#include "net/LocalClock.h"
#include "net/SiteTimeParser.h"
#include "site/ServerList.h"
#include "store/BidFile.h"
#include "support/PracticeSiteFixture.h"
#include "support/RecordingUserInterface.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include <sys/stat.h>

using namespace std::chrono_literals;

namespace {

class CountingObserver : public EngineObserver {
 public:
  void EngineChanged() override { ++changes; }
  std::atomic<int> changes{0};
};

// The engine against the practice site on loopback, with no window at all.
class SnipeEngineTest : public PracticeSiteFixture {
 protected:
  void SetUp() override {
    PracticeSiteFixture::SetUp();
    client_ = std::make_unique<HttpClient>(ui_);
    engine_ = std::make_unique<SnipeEngine>(*client_, ui_, times_, clock_, folder_.PathOf("bids.xml"),
                                            observer_);
    ServerList servers(serversPath_);
    engine_->Call([&](BidList& list) {
      ASSERT_TRUE(list.AccountRecord().SetAccount(servers, "sniper", "pw", "USA"));
    });
  }
  void TearDown() override {
    engine_.reset();
    PracticeSiteFixture::TearDown();
  }

  std::uint32_t Watch(std::uint32_t item, std::int32_t margin, float maxBid = 50.0f,
                      const std::string& group = {}) {
    Bid bid;
    bid.SetItem(item);
    bid.SetMaxBid(maxBid);
    bid.SetMargin(margin);
    bid.group = group;
    engine_->AddBid(bid, true);
    return bid.Id();
  }

  // Item number -> local ms at which the site had each commit.
  std::map<std::uint32_t, long long> Commits() const {
    std::map<std::uint32_t, long long> commits;
    for (const std::string& line : Logged("/ws/AcceptBid")) {
      const std::size_t at = line.find("item=");
      if (at != std::string::npos) commits[std::stoul(line.substr(at + 5))] = LocalMs(line);
    }
    return commits;
  }

  const Bid* Shown(std::uint32_t id) const { return engine_->Snapshot()->FindBidById(id); }

  RecordingUserInterface ui_;
  SiteTimeParser times_;
  SystemClock clock_;
  CountingObserver observer_;
  std::unique_ptr<HttpClient> client_;
  std::unique_ptr<SnipeEngine> engine_;
};

}  // namespace

// Eight bids due in the same second and more at other margins: each commit
// reaches the site on its margin, to within a tenth of a second, while a
// page that matches nothing has its report "open" and another page is slow
// to come at the bid moments.
TEST_F(SnipeEngineTest, CommitsLandOnTheirMargins) {
  const std::uint32_t broken = site_->AddAuction("Broken page", 600);
  site_->SetFault(broken, "nomatch");
  Watch(broken, 10);
  const std::int64_t end = site_->SiteNow() + 32;
  std::map<std::uint32_t, int> margins;
  for (int i = 0; i < 12; ++i) {
    const int margin = i < 8 ? 6 : 2 * (i - 7);  // the first moment 24 s after the start
    const std::uint32_t item = site_->AddAuction("Lot " + std::to_string(i), end - site_->SiteNow());
    margins[item] = margin;
    Watch(item, margin);
  }
  const std::uint32_t slow = site_->AddAuction("Slow page", 600);
  site_->SetFault(slow, "slow");
  Watch(slow, 10);
  engine_->Start();
  std::this_thread::sleep_for(8s);
  engine_->RefreshAll();  // slow reads in flight while the bids fall due
  std::this_thread::sleep_for(std::chrono::seconds(end - site_->SiteNow() + 3));

  const auto commits = Commits();
  ASSERT_EQ(commits.size(), margins.size());
  for (const auto& [item, margin] : margins) {
    const double late = (commits.at(item) - (end - margin) * 1000) / 1000.0;
    EXPECT_LE(std::fabs(late), 0.1) << "item " << item << ", margin " << margin << ": " << late << " s late";
  }
  EXPECT_GE(ui_.Reports().size(), 1u);
}

// A page read whose reply is handled late counts down from when it came,
// and the end is decided by the final read after it.
TEST_F(SnipeEngineTest, WonAfterTheFinalRead) {
  const std::uint32_t item = site_->AddAuction("Pocket watch", 12, 5.0, "rival");
  const std::uint32_t id = Watch(item, 4);
  engine_->Start();
  std::this_thread::sleep_for(16s);
  const Bid* bid = Shown(id);
  ASSERT_NE(bid, nullptr);
  EXPECT_EQ(bid->status, BidStatus::Won);
  EXPECT_EQ(site_->HighBidder(item), "sniper");
  EXPECT_EQ(Logged("/ws/AcceptBid").size(), 1u);
}

// A bid deleted before its moment, and one given another item, are not
// committed for the old item; the new item is read and sniped.
TEST_F(SnipeEngineTest, DeletedAndEditedBidsAreNotPlacedForTheOldItem) {
  const std::uint32_t gone = site_->AddAuction("Gone", 9);
  const std::uint32_t old = site_->AddAuction("Old", 9);
  const std::uint32_t fresh = site_->AddAuction("New", 14);
  const std::uint32_t goneId = Watch(gone, 4);
  const std::uint32_t editedId = Watch(old, 4);
  engine_->Start();
  std::this_thread::sleep_for(3s);
  engine_->DeleteBids({goneId});
  engine_->EditBid(editedId, fresh, 50.0f, 4, {});
  std::this_thread::sleep_for(1500ms);
  const Bid* edited = Shown(editedId);
  ASSERT_NE(edited, nullptr);
  EXPECT_EQ(edited->title, "New") << "the new item's page was read";
  std::this_thread::sleep_for(12s);
  const auto commits = Commits();
  EXPECT_EQ(commits.count(gone), 0u);
  EXPECT_EQ(commits.count(old), 0u);
  EXPECT_EQ(commits.count(fresh), 1u);
  EXPECT_EQ(Shown(goneId), nullptr);
}

// A read of the old item still on its way when the item number changes
// says nothing of the new item: no report of a mismatched page, and the row
// shows what the new item's own read found.
TEST_F(SnipeEngineTest, AReadOfTheOldItemArrivingAfterTheChangeIsDropped) {
  const std::uint32_t old = site_->AddAuction("Old", 600);
  site_->SetFault(old, "slow");
  const std::uint32_t fresh = site_->AddAuction("New", 600);
  const std::uint32_t id = Watch(old, 4);
  engine_->Start();
  std::this_thread::sleep_for(300ms);  // the old item's slow page is on its way
  engine_->EditBid(id, fresh, 50.0f, 4, {});
  std::this_thread::sleep_for(3s);
  const Bid* bid = Shown(id);
  ASSERT_NE(bid, nullptr);
  EXPECT_EQ(bid->title, "New");
  EXPECT_EQ(bid->status, BidStatus::Watching);
  EXPECT_TRUE(ui_.Reports().empty());
  EXPECT_TRUE(ui_.Boxes().empty());
}

namespace {

// The events of the item's lines in the history log, oldest first.
std::vector<std::string> Events(const std::string& path, std::uint32_t item) {
  std::vector<std::string> events;
  for (const HistoryLog::Line& line : HistoryLog::LinesOf(path, item)) events.push_back(line.event);
  return events;
}

// Whether `wanted` appears in `events` in this order (others may come between).
bool InOrder(const std::vector<std::string>& events, const std::vector<std::string>& wanted) {
  std::size_t next = 0;
  for (const std::string& event : events) {
    if (next < wanted.size() && event == wanted[next]) ++next;
  }
  return next == wanted.size();
}

std::string Joined(const std::vector<std::string>& events) {
  std::string text;
  for (const std::string& event : events) text += event + "; ";
  return text;
}

}  // namespace

// The history log tells each bid's story: a won snipe step by step, a
// setup that failed with the exchange's error text (its box still shown),
// and a read that failed. The file is the user's alone.
TEST_F(SnipeEngineTest, HistoryTellsWhyEachBidWentAsItDid) {
  const std::string path = folder_.PathOf("history.log");
  engine_->KeepHistory(path);
  std::vector<BidEvent> heard;
  std::mutex heardLock;
  engine_->hooks.bidEvent = [&](const BidEvent& event) {
    std::lock_guard<std::mutex> guard(heardLock);
    heard.push_back(event);
  };
  const std::uint32_t won = site_->AddAuction("Pocket watch", 12, 5.0);
  const std::uint32_t noSetup = site_->AddAuction("Clock", 12, 5.0);
  site_->FailBidSetup(noSetup);
  const std::uint32_t unread = site_->AddAuction("Vase", 600);
  site_->SetFault(unread, "reset");
  Watch(won, 4);
  Watch(noSetup, 4);
  Watch(unread, 4);
  engine_->Start();
  std::this_thread::sleep_for(16s);

  const auto wonEvents = Events(path, won);
  EXPECT_TRUE(InOrder(wonEvents, {"Added", "Read", "Setup sent", "Setup answered", "Key found", "Commit sent",
                                  "Commit answered", "Placed", "Final read", "Won"}))
      << Joined(wonEvents);
  const auto wonLines = HistoryLog::LinesOf(path, won);
  ASSERT_FALSE(wonLines.empty());
  EXPECT_NE(wonLines.back().siteTime, "-") << "the site clock is known by the end";
  for (const HistoryLog::Line& line : wonLines) {
    if (line.event == "Read") {
      EXPECT_NE(line.details.find("5.00, high bidder none, "), std::string::npos) << line.details;
    } else if (line.event == "Placed") {
      EXPECT_NE(line.details.find("50.00, the commit arrived "), std::string::npos) << line.details;
    } else if (line.event == "Won") {
      EXPECT_EQ(line.details.rfind("price ", 0), 0u) << line.details;
    }
  }

  const auto setupEvents = Events(path, noSetup);
  EXPECT_TRUE(InOrder(setupEvents, {"Read", "Setup sent", "Setup failed", "Failed"})) << Joined(setupEvents);
  EXPECT_FALSE(InOrder(setupEvents, {"Commit sent"}));
  std::string failure;
  for (const HistoryLog::Line& line : HistoryLog::LinesOf(path, noSetup)) {
    if (line.event == "Failed") failure = line.details;
  }
  EXPECT_NE(failure.find("Error:"), std::string::npos) << "the exchange's own text: " << failure;
  EXPECT_EQ(failure.find('\n'), std::string::npos);
  bool boxShown = false;
  for (const std::string& box : ui_.Boxes()) boxShown = boxShown || box.find("URL: " + site_->Host()) != std::string::npos;
  EXPECT_TRUE(boxShown) << "the failed exchange's box is still shown";

  const auto unreadLines = HistoryLog::LinesOf(path, unread);
  ASSERT_FALSE(unreadLines.empty());
  EXPECT_EQ(unreadLines.back().event, "Read failed");
  EXPECT_NE(unreadLines.back().details.find("Error:"), std::string::npos) << unreadLines.back().details;

  {
    std::lock_guard<std::mutex> guard(heardLock);
    EXPECT_EQ(heard.size(), HistoryLog::LinesOf(path, won).size() + HistoryLog::LinesOf(path, noSetup).size() +
                                HistoryLog::LinesOf(path, unread).size())
        << "the hook hears what the log keeps";
  }
  struct stat status{};
  ASSERT_EQ(::stat(path.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0600u);
}

// Bids of one group, ending one after another: the first is won, so the
// other two are cancelled and never committed, though the second's setup
// was already under way. In another group the first is lost (its maximum is
// below the price), and the next one still goes and wins.
TEST_F(SnipeEngineTest, AWinCancelsTheRestOfItsGroupALossDoesNot) {
  const std::string path = folder_.PathOf("history.log");
  engine_->KeepHistory(path);
  const std::uint32_t first = site_->AddAuction("Lamp 1", 9);
  const std::uint32_t second = site_->AddAuction("Lamp 2", 15);
  const std::uint32_t third = site_->AddAuction("Lamp 3", 21);
  const std::uint32_t lost = site_->AddAuction("Chair 1", 9, 20.0, "rival");
  const std::uint32_t next = site_->AddAuction("Chair 2", 15);
  Watch(first, 3, 50.0f, "Lamps");
  const std::uint32_t secondId = Watch(second, 3, 50.0f, "Lamps");
  const std::uint32_t thirdId = Watch(third, 3, 50.0f, "Lamps");
  const std::uint32_t lostId = Watch(lost, 3, 10.0f, "Chairs");
  const std::uint32_t nextId = Watch(next, 3, 50.0f, "Chairs");
  engine_->Start();
  std::this_thread::sleep_for(23s);

  const auto commits = Commits();
  EXPECT_EQ(commits.count(first), 1u);
  EXPECT_EQ(commits.count(second), 0u);
  EXPECT_EQ(commits.count(third), 0u);
  for (const std::uint32_t id : {secondId, thirdId}) {
    const Bid* bid = Shown(id);
    ASSERT_NE(bid, nullptr) << "kept in the list";
    EXPECT_EQ(bid->status, BidStatus::Cancelled);
    EXPECT_EQ(BidColumns::CellText(*bid, 5), "Cancelled");
  }
  const auto secondEvents = Events(path, second);
  EXPECT_TRUE(InOrder(secondEvents, {"Setup sent", "Cancelled"})) << "prepared, then given up: " << Joined(secondEvents);
  EXPECT_FALSE(InOrder(secondEvents, {"Commit sent"}));
  EXPECT_EQ(HistoryLog::LinesOf(path, third).back().details, "item " + std::to_string(first) + " of group Lamps was won");

  // Saved at once, while the program runs on.
  BidList onDisk;
  ASSERT_TRUE(LoadBidFile(folder_.PathOf("bids.xml"), onDisk));
  ASSERT_EQ(onDisk.RowCount(), 5u);
  for (std::size_t row = 0; row < onDisk.RowCount(); ++row) {
    const Bid& bid = *onDisk.BidAt(row);
    const bool cancelled = bid.Item() == second || bid.Item() == third;
    EXPECT_EQ(bid.status, cancelled ? BidStatus::Cancelled : BidStatus::Unknown) << bid.Item();
  }

  ASSERT_NE(Shown(lostId), nullptr);
  EXPECT_EQ(Shown(lostId)->status, BidStatus::Ended);
  EXPECT_EQ(Events(path, lost).back(), "Lost");
  EXPECT_EQ(commits.count(next), 1u);
  ASSERT_NE(Shown(nextId), nullptr);
  EXPECT_EQ(Shown(nextId)->status, BidStatus::Won);
}


// After a restart a cancelled bid stays cancelled, though the bid whose win
// cancelled it is gone from the list: its auction is read, but it is never
// placed, while the bid ending beside it goes.
// A win is told once: the next run reads the ended auction again, but
// neither notifies nor logs the win a second time. An end that differs from
// the one told before (a late commit the last page had not shown) is news.
TEST_F(SnipeEngineTest, AnEndToldInAnEarlierRunIsNotToldAgain) {
  const std::string history = folder_.PathOf("history.log");
  std::atomic<int> wins{0};
  engine_->hooks.bidEvent = [&](const BidEvent& event) {
    if (event.kind == BidEvent::Kind::Won) ++wins;
  };
  engine_->KeepHistory(history);
  const std::uint32_t item = site_->AddAuction("Pocket watch", 7, 5.0, "rival");
  const std::uint32_t id = Watch(item, 3);
  engine_->Start();
  std::this_thread::sleep_for(11s);
  ASSERT_EQ(Shown(id)->status, BidStatus::Won);
  EXPECT_EQ(wins, 1);

  // The next run, with the list as saved and one more won auction whose
  // history said it was lost.
  engine_.reset();
  const std::uint32_t late = site_->AddAuction("Lamp", 1, 5.0, "sniper");
  {
    std::ofstream told(history, std::ios::app);
    told << "2026-12-10 12:00:00.000\t-\t" << late << "\tLost\tprice US $5.00, high bidder rival\n";
  }
  engine_ = std::make_unique<SnipeEngine>(*client_, ui_, times_, clock_, folder_.PathOf("bids.xml"), observer_);
  engine_->hooks.bidEvent = [&](const BidEvent& event) {
    if (event.kind == BidEvent::Kind::Won) ++wins;
  };
  engine_->KeepHistory(history);
  std::uint32_t again = 0;
  engine_->Call([&](BidList& list) {
    ASSERT_TRUE(LoadBidFile(folder_.PathOf("bids.xml"), list));
    ASSERT_EQ(list.RowCount(), 1u);
    again = list.BidAt(0)->Id();
    Bid lamp;
    lamp.SetItem(late);
    lamp.SetMaxBid(50.0f);
    lamp.SetMargin(3);
    list.AddBid(lamp);
    ServerList servers(serversPath_);
    ASSERT_TRUE(list.AccountRecord().SetAccount(servers, "sniper", "pw", "USA"));
  });
  engine_->Start();
  std::this_thread::sleep_for(3s);
  ASSERT_EQ(Shown(again)->status, BidStatus::Won) << "read again";
  EXPECT_EQ(wins, 2) << "the lamp's win only";
  std::size_t logged = 0;
  for (const HistoryLog::Line& line : HistoryLog::LinesOf(history, item)) logged += line.event == "Won";
  EXPECT_EQ(logged, 1u);
}

TEST_F(SnipeEngineTest, ACancelledBidReadBackIsNeverPlaced) {
  const std::uint32_t cancelled = site_->AddAuction("Lamp 2", 9);
  const std::uint32_t live = site_->AddAuction("Chair", 9);
  BidList saved;
  for (const std::uint32_t item : {cancelled, live}) {
    Bid bid;
    bid.SetItem(item);
    bid.SetMaxBid(50.0f);
    bid.SetMargin(3);
    if (item == cancelled) {
      bid.group = "Lamps";
      bid.status = BidStatus::Cancelled;
    }
    saved.AddBid(bid);
  }
  const std::string path = folder_.PathOf("bids.xml");
  ASSERT_TRUE(SaveBidFile(path, saved));
  std::map<std::uint32_t, std::uint32_t> ids;  // item -> bid id
  engine_->Call([&](BidList& list) {
    ASSERT_TRUE(LoadBidFile(path, list));
    for (std::size_t row = 0; row < list.RowCount(); ++row) ids[list.BidAt(row)->Item()] = list.BidAt(row)->Id();
  });
  engine_->Start();
  std::this_thread::sleep_for(13s);

  const auto commits = Commits();
  EXPECT_EQ(commits.count(cancelled), 0u);
  EXPECT_EQ(commits.count(live), 1u);
  const Bid* bid = Shown(ids[cancelled]);
  ASSERT_NE(bid, nullptr);
  EXPECT_EQ(bid->status, BidStatus::Cancelled);
  EXPECT_EQ(bid->title, "Lamp 2") << "read all the same";
  ASSERT_NE(Shown(ids[live]), nullptr);
  EXPECT_EQ(Shown(ids[live])->status, BidStatus::Won);
  engine_.reset();
  EXPECT_NE(TempFolder::Read(path).find("<bid group=\"Lamps\" cancelled=\"1\">"), std::string::npos)
      << "still cancelled in the file it saves at the end";
}
