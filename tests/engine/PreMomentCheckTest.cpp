// The check before each bid's moment and the window in which bids are due,
// against the practice site, without a display.
#include "engine/PreMomentCheck.h"
#include "engine/SnipeEngine.h"

#include "net/HttpClient.h"
#include "net/LocalClock.h"
#include "net/SiteTimeParser.h"
#include "site/ServerList.h"
#include "support/PracticeSiteFixture.h"
#include "support/RecordingUserInterface.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <mutex>
#include <thread>

using namespace std::chrono_literals;

namespace {

class QuietObserver : public EngineObserver {
 public:
  void EngineChanged() override {}
};

class CheckTest : public PracticeSiteFixture {
 protected:
  // `signInWorks` false: the site's reply to a sign-in never matches.
  void StartEngine(bool verified, bool signInWorks = true, const std::string& location = "USA") {
    if (!signInWorks) {
      std::string servers = TempFolder::Read(serversPath_);
      const std::string welcome = "Welcome back, ";
      servers.replace(servers.find(welcome), welcome.size(), "Nobody is welcome here");
      folder_.Write("servers.xml", servers);
    }
    client_ = std::make_unique<HttpClient>(ui_);
    engine_ = std::make_unique<SnipeEngine>(*client_, ui_, times_, clock_, folder_.PathOf("bids.xml"), observer_);
    engine_->hooks.bidEvent = [this](const BidEvent& event) {
      std::lock_guard<std::mutex> guard(lock_);
      if (event.kind == BidEvent::Kind::Warning) warnings_.push_back(event);
    };
    engine_->SetLogsFolder(folder_.Folder());
    ServerList servers(serversPath_);
    engine_->Call([&](BidList& list) {
      ASSERT_TRUE(list.AccountRecord().SetAccount(servers, "sniper", "pw", location));
      list.AccountRecord().SetVerified(verified);
    });
    engine_->Start();
  }
  void TearDown() override {
    engine_.reset();
    PracticeSiteFixture::TearDown();
  }

  std::uint32_t Watch(std::uint32_t item, std::int32_t margin, float maxBid) {
    Bid bid;
    bid.SetItem(item);
    bid.SetMaxBid(maxBid);
    bid.SetMargin(margin);
    engine_->AddBid(bid, true);
    return bid.Id();
  }
  std::string Note(std::uint32_t id) const {
    const auto snapshot = engine_->Snapshot();
    const Bid* bid = snapshot->FindBidById(id);
    return bid != nullptr ? bid->note : "";
  }
  std::vector<BidEvent> Warnings() {
    std::lock_guard<std::mutex> guard(lock_);
    return warnings_;
  }
  static bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
      if (std::chrono::steady_clock::now() > end) return false;
      std::this_thread::sleep_for(50ms);
    }
    return true;
  }

  RecordingUserInterface ui_;
  SiteTimeParser times_;
  SystemClock clock_;
  QuietObserver observer_;
  std::unique_ptr<HttpClient> client_;
  std::unique_ptr<SnipeEngine> engine_;
  std::mutex lock_;
  std::vector<BidEvent> warnings_;
};

}  // namespace

// Bids within ten minutes of their moments are checked at once: a price
// already above the maximum and a margin a slow site cannot keep are
// noted (and told as warnings, naming the reason), a sound bid is not; each
// still goes at its moment.
TEST_F(CheckTest, PriceAboveTheMaximumAndSlowSiteWarnedSoundBidNot) {
  StartEngine(true);
  const std::uint32_t dear = site_->AddAuction("Dear", 30, 30.0, "rival");
  const std::uint32_t slow = site_->AddAuction("Slow", 30, 1.0, "rival");
  const std::uint32_t sound = site_->AddAuction("Sound", 30, 1.0, "rival");
  site_->SetFault(slow, "slow");
  const std::uint32_t dearId = Watch(dear, 4, 20.0f);
  const std::uint32_t slowId = Watch(slow, 3, 20.0f);
  const std::uint32_t soundId = Watch(sound, 5, 20.0f);

  ASSERT_TRUE(WaitFor([&] { return !Note(dearId).empty() && !Note(slowId).empty(); }, 8s))
      << Note(dearId) << " / " << Note(slowId);
  EXPECT_EQ(Note(dearId), "The maximum bid is not above the current bid (US $30.00)");
  EXPECT_NE(Note(slowId).find("The margin of 3 s is shorter than twice the site's exchange time plus a second"),
            std::string::npos)
      << Note(slowId);
  EXPECT_EQ(Note(soundId), "");
  const auto warnings = Warnings();
  ASSERT_EQ(warnings.size(), 2u);
  for (const BidEvent& warning : warnings) {
    EXPECT_EQ(warning.details, Note(warning.bidId));
    EXPECT_NE(warning.bidId, soundId);
  }

  std::this_thread::sleep_for(std::chrono::seconds(site_->EndTime(sound) - site_->SiteNow() + 1));
  EXPECT_TRUE(WaitFor([&] { return Note(dearId).empty(); }, 5s)) << "moot once the auction is over";
  const std::string commits = [&] {
    std::string items;
    for (const std::string& line : Logged("/ws/AcceptBid")) items += line;
    return items;
  }();
  for (const std::uint32_t item : {dear, slow, sound}) {
    EXPECT_NE(commits.find("item=" + std::to_string(item)), std::string::npos) << "item " << item << " still goes";
  }
}

// Over HTTPS with the site's own authority the check trusts what the
// engine's reads trust: no false "cannot be reached", and the real reason
// found behind it.
TEST_F(CheckTest, SecureSiteWithItsOwnAuthority) {
  StartEngine(true, true, "USA (secure)");
  const std::uint32_t dearId = Watch(site_->AddAuction("Dear", 30, 30.0, "rival"), 4, 20.0f);
  const std::uint32_t soundId = Watch(site_->AddAuction("Sound", 30, 1.0, "rival"), 5, 20.0f);
  ASSERT_TRUE(WaitFor([&] { return !Note(dearId).empty(); }, 8s));
  EXPECT_EQ(Note(dearId), "The maximum bid is not above the current bid (US $30.00)");
  std::this_thread::sleep_for(1s);
  EXPECT_EQ(Note(soundId), "");
}

// The account: one never verified, and one whose sign-in no longer works.
TEST_F(CheckTest, AccountNotVerified) {
  StartEngine(false);
  const std::uint32_t id = Watch(site_->AddAuction("Lamp", 30), 5, 20.0f);
  ASSERT_TRUE(WaitFor([&] { return !Note(id).empty(); }, 8s));
  EXPECT_EQ(Note(id), "The account is not verified");
}

TEST_F(CheckTest, SignInFails) {
  StartEngine(true, false);
  const std::uint32_t id = Watch(site_->AddAuction("Lamp", 30), 5, 20.0f);
  ASSERT_TRUE(WaitFor([&] { return !Note(id).empty(); }, 8s));
  EXPECT_EQ(Note(id), "Signing in to the site fails");
  EXPECT_EQ(Logged("/ws/SignIn").size(), 2u) << "the pre-sign-in page and the sign-in";
}

// A bid whose moment is 607 seconds away is neither due nor checked; seven
// seconds later it is both, and the site, gone meanwhile, is named.
TEST_F(CheckTest, DueAndCheckedTenMinutesAheadSiteDown) {
  StartEngine(true);
  const std::uint32_t item = site_->AddAuction("Clock", 612, 1.0, "rival");
  const std::uint32_t id = Watch(item, 5, 20.0f);
  ASSERT_TRUE(WaitFor([&] {
    const Bid* bid = engine_->Snapshot()->FindBidById(id);
    return bid != nullptr && bid->status == BidStatus::Watching;
  }, 5s));
  EXPECT_FALSE(engine_->Snapshot()->due.has_value());
  EXPECT_EQ(Note(id), "");
  site_->Stop();

  ASSERT_TRUE(WaitFor([&] { return engine_->Snapshot()->due.has_value(); }, 12s));
  const auto due = *engine_->Snapshot()->due;
  EXPECT_EQ(due.item, item);
  const std::int64_t now = clock_.NowMicros();
  EXPECT_LE(due.moment - now, SnipeEngine::kDueWindow);
  EXPECT_GT(due.until, due.moment) << "until the end and its final read";
  ASSERT_TRUE(WaitFor([&] { return !Note(id).empty(); }, 5s));
  EXPECT_EQ(Note(id).rfind("The site cannot be reached: ", 0), 0u) << Note(id);
}

// After a sleep every Watching bid is read again at once, and only those.
TEST_F(CheckTest, WatchingBidsReadAgainAfterASleep) {
  StartEngine(true);
  const std::uint32_t running = site_->AddAuction("Running", 3000);
  const std::uint32_t ended = site_->AddAuction("Ended", 1);
  const std::uint32_t runningId = Watch(running, 5, 20.0f);
  const std::uint32_t endedId = Watch(ended, 5, 20.0f);
  std::this_thread::sleep_for(2500ms);
  ASSERT_TRUE(WaitFor([&] {
    const auto snapshot = engine_->Snapshot();
    return snapshot->FindBidById(runningId)->status == BidStatus::Watching &&
           snapshot->FindBidById(endedId)->status >= BidStatus::Ended;
  }, 5s));
  const auto reads = [&](std::uint32_t item) { return Logged("/ws/ViewItem?ViewItem&item=" + std::to_string(item) ).size(); };
  const std::size_t runningBefore = reads(running), endedBefore = reads(ended);
  engine_->RefreshWatching();
  ASSERT_TRUE(WaitFor([&] { return reads(running) == runningBefore + 1; }, 3s));
  std::this_thread::sleep_for(300ms);
  EXPECT_EQ(reads(ended), endedBefore);
}

TEST(PreMomentCheckAmount, PricesInTheSitesStyles) {
  const struct {
    const char* text;
    std::optional<double> amount;
  } cases[] = {
      {"US $30.00", 30.0}, {"$1,234.50", 1234.5}, {"EUR 12,50", 12.5}, {"GBP 1.234,5", 1234.5},
      {"1,234", 1234.0},   {"US $7", 7.0},        {"", std::nullopt},  {"no bids", std::nullopt},
  };
  for (const auto& c : cases) {
    const std::optional<double> amount = PreMomentCheck::Amount(c.text);
    ASSERT_EQ(amount.has_value(), c.amount.has_value()) << c.text;
    if (amount) {
      EXPECT_DOUBLE_EQ(*amount, *c.amount) << c.text;
    }
  }
}
