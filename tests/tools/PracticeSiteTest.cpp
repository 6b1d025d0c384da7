#include "PracticeSite.h"

#include "net/HttpClient.h"
#include "net/SiteTimeParser.h"
#include "support/RecordingUserInterface.h"

#include <gtest/gtest.h>

#include <memory>

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

  RecordingUserInterface ui_;
  HttpClient client_{ui_};
  std::unique_ptr<PracticeSite> site_;
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

}  // namespace
