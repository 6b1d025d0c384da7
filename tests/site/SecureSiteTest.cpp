// The practice site over HTTPS, kept-alive connections and compressed
// pages, through the program's own readers and placer.
#include "bids/BidList.h"
#include "net/HttpClient.h"
#include "net/LocalClock.h"
#include "net/SiteTimeParser.h"
#include "site/AccountVerifier.h"
#include "site/BidPlacer.h"
#include "site/ErrorReport.h"
#include "site/ItemPageReader.h"
#include "site/ServerList.h"
#include "support/CollectingReceiver.h"
#include "support/PracticeSiteFixture.h"
#include "support/RecordingUserInterface.h"

#include <gtest/gtest.h>
#include <httplib.h>

namespace {

using namespace std::chrono_literals;

bool Has(const std::string& line, const std::string& text) { return line.find(text) != std::string::npos; }

class SecureSite : public PracticeSiteFixture {
 protected:
  Bid& AddBid(const char* location, std::uint32_t item) {
    EXPECT_TRUE(list_.AccountRecord().SetAccount(ServerList(serversPath_), "joe", "pw", location));
    Bid bid;
    bid.SetItem(item);
    bid.SetMaxBid(25.0f);
    return *list_.BidAt(list_.AddBid(bid));
  }

  RecordingUserInterface ui_;
  HttpClient client_{ui_, HttpClient::Timeouts{5s, 2s}};
  BidList list_;
};

// Sign-in and a bid over HTTPS: the same forms and cookies as over HTTP,
// and the commit follows its setup on the connection the setup used.
TEST_F(SecureSite, SignInAndBidOverHttps) {
  Bid& bid = AddBid("USA (secure)", site_->AddAuction("Telescope", 600));
  const Account& account = *bid.account;
  EXPECT_EQ(VerifyAccount(client_, ui_, account, folder_.Folder()), AccountStatus::Verified);
  ASSERT_TRUE(BidPlacer(client_, ui_).PlaceBid(bid));
  EXPECT_EQ(site_->HighBidder(bid.Item()), "joe");
  EXPECT_TRUE(ui_.Boxes().empty());

  const auto commits = Logged("/ws/AcceptBid");
  ASSERT_EQ(commits.size(), 1u);
  EXPECT_TRUE(Has(commits[0], "\"secure\":true"));
  EXPECT_TRUE(Has(commits[0], "\"new_connection\":false"));
  EXPECT_TRUE(Has(commits[0], "\"content_type\":\"application/x-www-form-urlencoded\""));
  EXPECT_TRUE(Has(commits[0], "&pass=pw&key=K"));
  EXPECT_TRUE(Has(commits[0], "\"cookie\":\"presignin=1; session=")) << commits[0];
}

// A site that drops the kept connection between setup and commit: the
// commit goes out once, on a new connection.
TEST_F(SecureSite, DroppedConnectionBeforeTheCommit) {
  Bid& bid = AddBid("USA (secure)", site_->AddAuction("Lamp", 600));
  const ServerProfile& profile = bid.account->Profile();
  ExchangeOptions options;
  options.caFile = profile.ca_file;
  std::string page, date;
  const std::string form = "item=" + std::to_string(bid.Item()) + "&maxbid=25.00&userid=joe";
  ASSERT_TRUE(client_.Exchange("POST", profile.URL, "/ws/MakeBid", form, page, date, options));
  const std::string key = page.substr(page.find("value=\"") + 7, 9);
  site_->DropConnections();
  ExchangeTiming timing;
  options.timing = &timing;
  ASSERT_TRUE(client_.Exchange("POST", profile.URL, "/ws/AcceptBid", form + "&pass=pw&key=" + key, page,
                               date, options));
  EXPECT_TRUE(Has(page, "Bid confirmed"));
  EXPECT_TRUE(timing.newConnection);
  const auto commits = Logged("/ws/AcceptBid");
  ASSERT_EQ(commits.size(), 1u);
  EXPECT_TRUE(Has(commits[0], "\"new_connection\":true"));
  EXPECT_TRUE(ui_.Boxes().empty());
}

struct EncodingCase {
  const char* label;
  const char* encoding;  // the practice site's choice
};

class CompressedPages : public SecureSite, public testing::WithParamInterface<EncodingCase> {
  void Configure(PracticeSiteOptions& options) override { options.encoding = GetParam().encoding; }
};

// Brotli and gzip pages are read decoded: their values are matched, and a
// page no pattern matches reaches the error report as text.
TEST_P(CompressedPages, AreMatchedAndReportedDecoded) {
  SiteTimeParser times;
  SystemClock clock;
  ErrorReport report(ui_);
  ItemPageReader reader(client_, times, clock, ui_, report);
  const std::uint32_t sound = site_->AddAuction("Brass telescope", 600, 12.5, "alice");
  const std::uint32_t odd = site_->AddAuction("Camera", 600);
  ASSERT_TRUE(site_->SetFault(odd, "nomatch"));
  auto receiver = std::make_shared<CollectingReceiver>();
  for (const char* location : {"USA", "USA (secure)"}) {
    SCOPED_TRACE(location);
    Bid& read = AddBid(location, sound);
    reader.RequestItemPage(read, receiver);
    auto done = receiver->WaitFor(1, 4s);
    ASSERT_EQ(done.size(), 1u);
    ASSERT_TRUE(reader.ApplyItemPage(read, *done[0]));
    EXPECT_EQ(read.title, "Brass telescope");
    EXPECT_EQ(read.highBidder, "alice");
  }
  Bid& unmatched = AddBid("USA", odd);
  reader.RequestItemPage(unmatched, receiver);
  auto done = receiver->WaitFor(1, 4s);
  ASSERT_EQ(done.size(), 1u);
  EXPECT_FALSE(reader.ApplyItemPage(unmatched, *done[0]));
  const auto reports = ui_.Reports();
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_TRUE(Has(reports[0].page, "Our pages have a new look!"));

  // The site does compress for a client that asks as ours does.
  httplib::Client raw("127.0.0.1", site_->Port());
  raw.set_decompress(false);
  const auto reply = raw.Get("/ws/ViewItem?ViewItem&item=" + std::to_string(sound),
                             {{"Accept-Encoding", "gzip, deflate, br"}});
  ASSERT_TRUE(reply);
  const std::string encoding = GetParam().encoding;
  EXPECT_EQ(reply->get_header_value("Content-Encoding"), encoding.empty() ? "br" : encoding);
}

INSTANTIATE_TEST_SUITE_P(Encodings, CompressedPages,
                         testing::Values(EncodingCase{"brotli", ""}, EncodingCase{"gzip", "gzip"}),
                         [](const testing::TestParamInfo<EncodingCase>& info) { return info.param.label; });

}  // namespace
