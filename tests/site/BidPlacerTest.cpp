#include "site/BidPlacer.h"

#include "bids/BidList.h"
#include "net/HttpClient.h"
#include "site/ServerList.h"
#include "support/PracticeSiteFixture.h"
#include "support/RecordingUserInterface.h"
#include "support/TestServer.h"

#include <gtest/gtest.h>

namespace {

class BidPlacerTest : public PracticeSiteFixture {
 protected:
  Bid& Listed(std::uint32_t item, float maxBid) {
    Bid bid;
    bid.SetItem(item);
    bid.SetMaxBid(maxBid);
    return *list_.BidAt(list_.AddBid(bid));
  }
  void UseServers(const std::string& path, const char* userId = "joe & co") {
    ASSERT_TRUE(list_.AccountRecord().SetAccount(ServerList(path), userId, "p=w d", "USA"));
  }

  RecordingUserInterface ui_;
  HttpClient client_{ui_};
  BidPlacer placer_{client_, ui_};
  BidList list_;
};

// Two form posts, the second carrying the key from the reply to the first;
// the site takes the bid. The site's log shows what was sent.
TEST_F(BidPlacerTest, SetupThenCommitWithTheKey) {
  UseServers(serversPath_);
  const std::uint32_t item = site_->AddAuction("Teapot", 300, 5.0, "ann");
  Bid& bid = Listed(item, 12.5f);
  ASSERT_TRUE(placer_.PlaceBid(bid));
  ASSERT_EQ(bid.bidKey.size(), 9u) << bid.bidKey;
  EXPECT_EQ(bid.bidKey[0], 'K');

  const auto setup = Logged("/ws/MakeBid");
  const auto commit = Logged("/ws/AcceptBid");
  ASSERT_EQ(setup.size(), 1u);
  ASSERT_EQ(commit.size(), 1u);
  const std::string item_ = std::to_string(item);
  EXPECT_NE(setup[0].find("\"body\":\"item=" + item_ + "&maxbid=12.50&userid=joe%20%26%20co\""),
            std::string::npos) << setup[0];
  EXPECT_NE(commit[0].find("&pass=p%3Dw%20d&key=" + bid.bidKey + "\""), std::string::npos) << commit[0];
  EXPECT_NE(commit[0].find("\"content_type\":\"application/x-www-form-urlencoded\""), std::string::npos);
  EXPECT_EQ(site_->HighBidder(item), "joe & co") << "the site read the form as typed";
  EXPECT_TRUE(ui_.Boxes().empty());
}

// No key in the setup reply: the commit is not sent, nothing is shown.
TEST_F(BidPlacerTest, NoKeyNoCommit) {
  UseServers(serversPath_);
  Bid& bid = Listed(999, 3.0f);  // the site knows no such item
  bid.bidKey = "earlier";
  EXPECT_FALSE(placer_.PlaceBid(bid));
  EXPECT_EQ(bid.bidKey, "earlier");
  EXPECT_EQ(Logged("/ws/MakeBid").size(), 1u);
  EXPECT_TRUE(Logged("/ws/AcceptBid").empty());
  EXPECT_TRUE(ui_.Boxes().empty());
}

struct KeyCase {
  const char* label;
  const char* keyexp;
  bool placed;
  const char* key;
  const char* box;  // null: none
};

class KeyPatterns : public BidPlacerTest, public testing::WithParamInterface<KeyCase> {};

TEST_P(KeyPatterns, DecideTheCommit) {
  const KeyCase& c = GetParam();
  std::string servers = TempFolder::Read(serversPath_);
  const std::string original = R"x(<keyexp><![CDATA[name="key" value="([^"]*)"]]></keyexp>)x";
  servers.replace(servers.find(original), original.size(),
                  std::string("<keyexp><![CDATA[") + c.keyexp + "]]></keyexp>");
  UseServers(folder_.Write("servers2.xml", servers));
  Bid& bid = Listed(site_->AddAuction("Camera", 300), 2.0f);
  bid.bidKey = "earlier";
  EXPECT_EQ(placer_.PlaceBid(bid), c.placed);
  EXPECT_EQ(bid.bidKey, c.key);
  EXPECT_EQ(Logged("/ws/AcceptBid").size(), c.placed ? 1u : 0u);
  EXPECT_EQ(ui_.Boxes(), c.box ? std::vector<std::string>{c.box} : std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(
    Keys, KeyPatterns,
    testing::Values(KeyCase{"empty_group", R"x(name="key"())x", true, "", nullptr},
                    KeyCase{"no_group", R"x(name="key")x", true, "", nullptr},
                    KeyCase{"broken", R"x(name="key" value="([^"]*")x", false, "earlier",
                            "Malformed regular expression parsing bid key\nname=\"key\" value=\"([^\"]*\""}),
    [](const testing::TestParamInfo<KeyCase>& info) { return info.param.label; });

// A site of the test's own for the replies the practice site never gives:
// a key escaped in its attribute, a commit that fails.
class BidPlacerOwnSite : public testing::Test {
 protected:
  void SetUp() override {
    server_.StampDates();
    server_.server.Post("/ws/MakeBid", [](const httplib::Request&, httplib::Response& res) {
      res.set_content("<input type=\"hidden\" name=\"key\" value=\"K1&amp;2&quot;3&#x25;\">", "text/html");
    });
    server_.server.Post("/ws/AcceptBid", [this](const httplib::Request& req, httplib::Response& res) {
      commits_.push_back(req.body);
      res.set_content("Bid confirmed", "text/html");
    });
    server_.server.Post("/broken", [](const httplib::Request&, httplib::Response& res) {
      res.set_content("no date", "text/html");
      res.set_header("Date", "");
    });
    ASSERT_TRUE(server_.Start());
  }
  // The shipped profile pointed at this site, its commit template changed.
  void UseCommit(const std::string& object, const std::string& data) {
    std::string servers = TempFolder::Read(QUORREL_SHIPPED_SERVERS);
    const std::string shipped = "127.0.0.1:8480";
    for (std::size_t at; (at = servers.find(shipped)) != std::string::npos;) {
      servers.replace(at, shipped.size(), server_.Host());
    }
    const std::string commit = servers.substr(servers.find("<bid_commit>"),
                                              servers.find("</bid_commit>") - servers.find("<bid_commit>"));
    servers.replace(servers.find(commit), commit.size(),
                    "<bid_commit><HTTPObject>" + object + "</HTTPObject><HTTPData>" + data + "</HTTPData>");
    ASSERT_TRUE(list_.AccountRecord().SetAccount(ServerList(folder_.Write("servers.xml", servers)), "joe",
                                                 "pw", "USA"));
    Bid bid;
    bid.SetItem(77);
    bid.SetMaxBid(4.0f);
    bid_ = list_.BidAt(list_.AddBid(bid));
  }

  TestServer server_;
  std::vector<std::string> commits_;
  TempFolder folder_;
  RecordingUserInterface ui_;
  HttpClient client_{ui_};
  BidPlacer placer_{client_, ui_};
  BidList list_;
  Bid* bid_ = nullptr;
};

// The key is sent as the page meant it, not as its attribute escaped it.
TEST_F(BidPlacerOwnSite, EscapedKeyIsSentDecoded) {
  UseCommit("/ws/AcceptBid", "key=%[BIDKEY]");
  ASSERT_TRUE(placer_.PlaceBid(*bid_));
  EXPECT_EQ(bid_->bidKey, "K1&2\"3%");
  EXPECT_EQ(commits_, std::vector<std::string>{"key=K1%262%223%25"});
}

// A commit template without the key sends the commit all the same.
TEST_F(BidPlacerOwnSite, CommitWithoutTheKeyIsStillSent) {
  UseCommit("/ws/AcceptBid", "item=%[ITEM]");
  ASSERT_TRUE(placer_.PlaceBid(*bid_));
  EXPECT_EQ(commits_, std::vector<std::string>{"item=77"});
  EXPECT_TRUE(ui_.Boxes().empty());
}

// A commit that fails shows the client's box and the placement fails,
// with the key already taken.
TEST_F(BidPlacerOwnSite, FailedCommitShowsItsBox) {
  UseCommit("/broken", "key=%[BIDKEY]");
  EXPECT_FALSE(placer_.PlaceBid(*bid_));
  EXPECT_EQ(bid_->bidKey, "K1&2\"3%");
  ASSERT_EQ(ui_.Boxes().size(), 1u);
  EXPECT_EQ(ui_.Boxes()[0].rfind("URL Get HttpQueryInfo (date) - URL: " + server_.Host() + ".", 0), 0u)
      << ui_.Boxes()[0];
}

}  // namespace
