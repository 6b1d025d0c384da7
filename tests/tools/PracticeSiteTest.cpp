#include "PracticeSite.h"

#include "net/HttpClient.h"
#include "net/SiteTimeParser.h"
#include "support/RecordingUserInterface.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <chrono>
#include <memory>
#include <regex>

namespace {

class PracticeSiteTest : public testing::Test {
 protected:
  void StartWith(PracticeSiteOptions options) {
    options.port = 0;
    options.otherBidders = false;
    site_ = std::make_unique<PracticeSite>(options);
    ASSERT_TRUE(site_->Start());
  }
  bool Get(const std::string& path) { return client_.HttpGet(site_->Host(), path, page_, date_); }
  bool Post(const std::string& path, const std::string& body) {
    return client_.HttpPost(site_->Host(), path, body, page_, date_);
  }
  bool Holds(const std::string& text) const { return page_.find(text) != std::string::npos; }
  // The key of a bid setup's reply.
  std::string Key() const {
    std::smatch key;
    return std::regex_search(page_, key, std::regex("name=\"key\" value=\"(\\w+)\"")) ? key[1].str()
                                                                                 : std::string();
  }

  // The local time (ms) the site logged for its last request.
  long long LastArrivalMs() const {
    const std::string log = TempFolder::Read(folder_.PathOf("site.log"));
    const std::regex arrival("\"local_ms\":(\\d+)");
    long long last = 0;
    for (auto it = std::sregex_iterator(log.begin(), log.end(), arrival);
         it != std::sregex_iterator(); ++it) {
      last = std::stoll((*it)[1]);
    }
    return last;
  }
  static long long NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch()).count();
  }

  TempFolder folder_;
  RecordingUserInterface ui_;
  std::unique_ptr<PracticeSite> site_;
  HttpClient client_{ui_};
  std::string page_, date_;
};

// The site's clock runs at its offset, and item pages state the ending time
// in the site's own style; the two differ by the time left.
TEST_F(PracticeSiteTest, ClockOffsetAndEndingTimes) {
  PracticeSiteOptions options;
  options.liveAuctions = 0;
  options.clockOffset = -3 * 3600 - 17;
  StartWith(options);
  const std::uint32_t item = site_->AddAuction("Oil lamp", 777);
  ASSERT_TRUE(Get("/ws/ViewItem?ViewItem&item=" + std::to_string(item)));
  SiteTimeParser times;
  SiteTime now = 0, end = 0;
  ASSERT_TRUE(times.ParseSiteTime(date_, now));
  ASSERT_TRUE(times.ParseSiteTime(page_, end));
  EXPECT_NEAR(end - now, 777, 1);
  EXPECT_NEAR(now - std::time(nullptr), options.clockOffset, 1);
}

TEST_F(PracticeSiteTest, IndexListsRunningAuctionsWithItemLinks) {
  PracticeSiteOptions options;
  options.liveAuctions = 3;
  StartWith(options);
  ASSERT_TRUE(Get("/"));
  int links = 0;
  for (std::size_t at = 0; (at = page_.find("/ws/ViewItem?ViewItem&amp;item=", at)) != std::string::npos; ++at) {
    ++links;
  }
  EXPECT_EQ(links, 3);
}

// With the pre-sign-in required, a sign-in works only after it; the cookie
// it sets is kept by the client's one cookie store.
TEST_F(PracticeSiteTest, SignInAfterPreSignIn) {
  PracticeSiteOptions options;
  options.requirePreSignIn = true;
  StartWith(options);
  ASSERT_TRUE(Post("/ws/SignIn", "userid=joe&pass=pw"));
  EXPECT_FALSE(Holds("Welcome back, "));
  ASSERT_TRUE(Post("/ws/SignIn", ""));
  ASSERT_TRUE(Post("/ws/SignIn", "userid=joe&pass=pw"));
  EXPECT_TRUE(Holds("Welcome back, joe"));
}

TEST_F(PracticeSiteTest, MaintenanceAndVersionFiles) {
  PracticeSiteOptions options;
  options.stableVersion = "1.2.3.4";
  options.betaVersion = "1.3.0.1";
  StartWith(options);
  const std::uint32_t item = site_->AddAuction("Camera", 100);
  site_->SetMaintenance(true);
  ASSERT_TRUE(Get("/ws/ViewItem?ViewItem&item=" + std::to_string(item)));
  EXPECT_TRUE(Holds("scheduled maintenance"));
  site_->SetMaintenance(false);
  ASSERT_TRUE(Get("/ws/ViewItem?ViewItem&item=" + std::to_string(item)));
  EXPECT_TRUE(Holds("Item number: " + std::to_string(item)));
  ASSERT_TRUE(Get("/versionstable.txt"));
  EXPECT_EQ(page_, "1.2.3.4\n");
  ASSERT_TRUE(Get("/versionbeta.txt"));
  EXPECT_EQ(page_, "1.3.0.1\n");
}

// Over an emulated round trip, an exchange on a new connection takes two
// trips and reaches the site after one and a half; on a kept-alive
// connection one trip, arriving after half. The log stamps the arrival.
TEST_F(PracticeSiteTest, EmulatedRoundTrips) {
  constexpr long long kRtt = 300;
  PracticeSiteOptions options;
  options.liveAuctions = 0;
  options.rttMs = static_cast<int>(kRtt);
  options.logPath = folder_.PathOf("site.log");
  StartWith(options);
  struct Case {
    bool keepAlive;
    long long secondTrips2;  // the second exchange's trips, doubled
  };
  for (const Case c : {Case{true, 2}, Case{false, 4}}) {
    SCOPED_TRACE(c.keepAlive ? "kept alive" : "closed after each reply");
    httplib::Client browser("127.0.0.1", site_->Port());
    browser.set_keep_alive(c.keepAlive);
    for (const long long trips2 : {4LL, c.secondTrips2}) {
      const long long sent = NowMs();
      const auto reply = browser.Get("/versionstable.txt");
      const long long took = NowMs() - sent, arrived = LastArrivalMs() - sent;
      ASSERT_TRUE(reply);
      EXPECT_TRUE(reply->has_header("Date"));
      EXPECT_GE(took, kRtt * trips2 / 2 - 20);
      EXPECT_LT(took, kRtt * trips2 / 2 + 250);
      EXPECT_GE(arrived, kRtt * (trips2 - 1) / 2 - 20);
      EXPECT_LT(arrived, kRtt * (trips2 - 1) / 2 + 200);
    }
  }
}

// A stalled bid setup or commit never answers, holds no other item's
// exchange, and a stalled commit takes no bid.
TEST_F(PracticeSiteTest, StalledBidSetupAndCommit) {
  PracticeSiteOptions options;
  options.liveAuctions = 0;
  StartWith(options);
  httplib::Client impatient("127.0.0.1", site_->Port());
  impatient.set_read_timeout(std::chrono::milliseconds(700));
  const auto form = [](std::uint32_t item) {
    return "item=" + std::to_string(item) + "&maxbid=5.00&userid=joe";
  };
  const auto post = [&](const char* path, const std::string& body) {
    return static_cast<bool>(impatient.Post(path, body, "application/x-www-form-urlencoded"));
  };
  for (const std::string kind : {"stallsetup", "stallcommit"}) {
    SCOPED_TRACE(kind);
    const std::uint32_t stalled = site_->AddAuction("Teapot", 600);
    const std::uint32_t sound = site_->AddAuction("Camera", 600);
    ASSERT_TRUE(site_->SetFault(stalled, kind));
    const bool setupStalls = kind == "stallsetup";
    EXPECT_EQ(post("/ws/MakeBid", form(stalled)), !setupStalls);
    if (!setupStalls) {
      ASSERT_TRUE(Post("/ws/MakeBid", form(stalled)));
      EXPECT_FALSE(post("/ws/AcceptBid", form(stalled) + "&pass=pw&key=" + Key()));
      EXPECT_EQ(site_->HighBidder(stalled), "");
    }
    ASSERT_TRUE(Post("/ws/MakeBid", form(sound)));
    EXPECT_TRUE(Post("/ws/AcceptBid", form(sound) + "&pass=pw&key=" + Key()));
    EXPECT_TRUE(Holds("Bid confirmed"));
    EXPECT_EQ(site_->HighBidder(sound), "joe");
  }
}

// The TLS listener serves the same site with the practice CA's
// certificate, links to itself over https, and pays one more round trip
// (the TLS handshake) on a new connection.
TEST_F(PracticeSiteTest, TlsListener) {
  constexpr long long kRtt = 200;
  PracticeSiteOptions options;
  options.liveAuctions = 1;
  options.rttMs = static_cast<int>(kRtt);
  options.tlsPort = 0;
  options.tlsCertificate = QUORREL_PRACTICE_TLS "/site.pem";
  options.tlsKey = QUORREL_PRACTICE_TLS "/site.key";
  options.logPath = folder_.PathOf("site.log");
  StartWith(options);
  httplib::SSLClient browser("127.0.0.1", site_->TlsPort());
  browser.set_ca_cert_path(QUORREL_PRACTICE_TLS "/ca.pem");
  browser.enable_server_certificate_verification(true);
  browser.set_keep_alive(true);
  for (const long long trips2 : {6LL, 2LL}) {
    const long long sent = NowMs();
    const auto reply = browser.Get("/");
    const long long arrived = LastArrivalMs() - sent;
    ASSERT_TRUE(reply);
    EXPECT_NE(reply->body.find("<a href=\"https://" + site_->TlsHost() + "/ws/ViewItem"), std::string::npos);
    EXPECT_GE(arrived, kRtt * (trips2 - 1) / 2 - 20);
    EXPECT_LT(arrived, kRtt * (trips2 - 1) / 2 + 200);
  }
  browser.stop();

  PracticeSiteOptions unusable = options;
  unusable.tlsKey = QUORREL_PRACTICE_TLS "/missing.key";
  EXPECT_FALSE(PracticeSite(unusable).Start());
}

}  // namespace
