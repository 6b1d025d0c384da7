// What the program does when the site misbehaves, one fault at a time,
// against the practice site's fault switches.
#include "bids/BidList.h"
#include "net/HttpClient.h"
#include "net/LocalClock.h"
#include "net/SiteTimeParser.h"
#include "site/BidPlacer.h"
#include "site/ErrorReport.h"
#include "site/ItemPageReader.h"
#include "site/ServerList.h"
#include "support/CollectingReceiver.h"
#include "support/PracticeSiteFixture.h"
#include "support/RecordingUserInterface.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

struct FaultCase {
  const char* kind;
  bool delivered;         // the worker hands the page over
  const char* box;        // start of the one box shown; null: none
  const char* reportCause;  // null: no report
};

class SiteFaults : public PracticeSiteFixture, public testing::WithParamInterface<FaultCase> {
 protected:
  RecordingUserInterface ui_;
  HttpClient client_{ui_, HttpClient::Timeouts{5s, 1s}};
  SiteTimeParser times_;
  SystemClock clock_;
  ErrorReport report_{ui_};
  ItemPageReader reader_{client_, times_, clock_, ui_, report_};
};

TEST_P(SiteFaults, GetTheirDocumentedReaction) {
  const FaultCase& c = GetParam();
  BidList list;
  ASSERT_TRUE(list.AccountRecord().SetAccount(ServerList(serversPath_), "joe", "pw", "USA"));
  const std::uint32_t item = site_->AddAuction("Camera", 600);
  ASSERT_TRUE(site_->SetFault(item, c.kind));
  Bid bid;
  bid.SetItem(item);
  Bid& listed = *list.BidAt(list.AddBid(bid));

  auto receiver = std::make_shared<CollectingReceiver>();
  reader_.RequestItemPage(listed, receiver);
  auto done = receiver->WaitFor(1, 4s);
  ASSERT_EQ(done.size(), c.delivered ? 1u : 0u);
  if (c.delivered) {
    EXPECT_FALSE(reader_.ApplyItemPage(listed, *done[0]));
  }
  EXPECT_FALSE(listed.dataFresh);

  const auto boxes = ui_.Boxes();
  if (c.box == nullptr) {
    EXPECT_TRUE(boxes.empty());
  } else {
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].rfind(c.box, 0), 0u) << boxes[0];
  }
  const auto reports = ui_.Reports();
  ASSERT_EQ(reports.size(), c.reportCause ? 1u : 0u);
  if (c.reportCause != nullptr) {
    EXPECT_EQ(reports[0].cause, c.reportCause);
  }

  // The worker goes on with the next read.
  ASSERT_TRUE(site_->SetFault(item, ""));
  reader_.RequestItemPage(listed, receiver);
  done = receiver->WaitFor(1, 4s);
  ASSERT_EQ(done.size(), 1u);
  EXPECT_TRUE(reader_.ApplyItemPage(listed, *done[0]));
}

INSTANTIATE_TEST_SUITE_P(
    Faults, SiteFaults,
    testing::Values(
        FaultCase{"reset", false, "URL Get InternetReadFile - URL: 127.0.0.1:", nullptr},
        FaultCase{"stall", false, "URL Get HttpSendRequest - URL: 127.0.0.1:", nullptr},
        FaultCase{"nodate", false, "URL Get HttpQueryInfo (date) - URL: 127.0.0.1:", nullptr},
        FaultCase{"error500", true, nullptr, "Can't find parse auction number."},
        FaultCase{"nomatch", true, nullptr, "Can't find parse auction number."},
        FaultCase{"maintenance", true, ErrorReport::kSiteDown, nullptr}),
    [](const testing::TestParamInfo<FaultCase>& info) { return info.param.kind; });

// A setup reply without a key: no commit, nothing shown.
TEST_F(SiteFaults, SetupWithoutKeySendsNoCommit) {
  BidList list;
  ASSERT_TRUE(list.AccountRecord().SetAccount(ServerList(serversPath_), "joe", "pw", "USA"));
  const std::uint32_t item = site_->AddAuction("Teapot", 600);
  ASSERT_TRUE(site_->SetFault(item, "nokey"));
  EXPECT_FALSE(site_->SetFault(item, "fire"));
  Bid bid;
  bid.SetItem(item);
  BidPlacer placer(client_, ui_);
  EXPECT_FALSE(placer.PlaceBid(*list.BidAt(list.AddBid(bid))));
  EXPECT_EQ(Logged("/ws/MakeBid").size(), 1u);
  EXPECT_TRUE(Logged("/ws/AcceptBid").empty());
  EXPECT_TRUE(ui_.Boxes().empty());
}

}  // namespace
