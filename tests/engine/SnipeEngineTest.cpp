#include "engine/SnipeEngine.h"

#include "net/HttpClient.h"
#include "net/LocalClock.h"
#include "net/SiteTimeParser.h"
#include "site/ServerList.h"
#include "support/PracticeSiteFixture.h"
#include "support/RecordingUserInterface.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <map>
#include <thread>

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

  std::uint32_t Watch(std::uint32_t item, std::int32_t margin, float maxBid = 50.0f) {
    Bid bid;
    bid.SetItem(item);
    bid.SetMaxBid(maxBid);
    bid.SetMargin(margin);
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
  const std::int64_t end = site_->SiteNow() + 24;
  std::map<std::uint32_t, int> margins;
  for (int i = 0; i < 12; ++i) {
    const int margin = i < 8 ? 6 : 3 + i;
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
