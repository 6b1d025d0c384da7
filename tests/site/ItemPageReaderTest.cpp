#include "site/ItemPageReader.h"

#include "bids/BidList.h"
#include "net/HttpClient.h"
#include "net/LocalClock.h"
#include "net/SiteRequest.h"
#include "net/SiteTimeParser.h"
#include "site/ErrorReport.h"
#include "site/ServerList.h"
#include "support/CollectingReceiver.h"
#include "support/PracticeSiteFixture.h"
#include "support/RecordingUserInterface.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

class FixedClock : public LocalClock {
 public:
  std::int64_t NowMicros() const override { return 5000 * kMicrosPerSecond; }
};

// The item page's patterns, each replaceable by a test.
struct Patterns {
  std::string number = R"(Item #\s*([-+0-9]+))";
  std::string ending = "Ends: ([^\r\n<]*)";
  std::string title = "<title>(.*?)</title>";
  std::string bidder = R"(Bidder: (\w*))";
  std::string currentbid = "Bid: ([^<\r\n]*)";
};

std::string ServersWith(const Patterns& p) {
  return "<servers><server name=\"USA\"><URL>site.example</URL><item_view>"
         "<HTTPObject>/item?%[ITEM]</HTTPObject>"
         "<number><![CDATA[" + p.number + "]]></number>"
         "<ending><![CDATA[" + p.ending + "]]></ending>"
         "<title><![CDATA[" + p.title + "]]></title>"
         "<bidder><![CDATA[" + p.bidder + "]]></bidder>"
         "<currentbid><![CDATA[" + p.currentbid + "]]></currentbid>"
         "</item_view><bid_setup><HTTPObject>/s</HTTPObject><keyexp>k</keyexp></bid_setup>"
         "<bid_commit><HTTPObject>/c</HTTPObject></bid_commit>"
         "<account><HTTPObject>/a</HTTPObject><signinexp>x</signinexp></account>"
         "</server></servers>";
}

std::string ServersWith(const std::string& number, const std::string& bidder) {
  Patterns p;
  p.number = number;
  p.bidder = bidder;
  return ServersWith(p);
}

class ItemPageTest : public testing::Test {
 protected:
  void UseProfile(const std::string& number = R"(Item #\s*([-+0-9]+))",
                  const std::string& bidder = R"(Bidder: (\w*))") {
    Patterns p;
    p.number = number;
    p.bidder = bidder;
    UseProfile(p);
  }
  void UseProfile(const Patterns& patterns, const std::string& userId = "joe") {
    const ServerList servers(folder_.Write("servers.xml", ServersWith(patterns)));
    ASSERT_TRUE(list_.AccountRecord().SetAccount(servers, userId, "pw", "USA"));
    Bid bid;
    bid.SetItem(123);
    bid_ = list_.BidAt(list_.AddBid(bid));
    bid_->title = "old title";
    bid_->currentBid = "US $1.00";
    bid_->highBidder = "old bidder";
  }

  bool Apply(const std::string& page, const std::string& date = "Fri, 12 Dec 2003 10:00:00 GMT",
             std::int64_t arrived = 0) {
    SiteRequest request;
    request.timing.firstByte = arrived;
    request.host = "site.example";
    request.path = "/item?123";
    request.page = page;
    request.dateHeader = date;
    return reader_.ApplyItemPage(*bid_, request);
  }

  TempFolder folder_;
  RecordingUserInterface ui_;
  HttpClient client_{ui_};
  SiteTimeParser times_;
  FixedClock clock_;
  ErrorReport report_{ui_};
  ItemPageReader reader_{client_, times_, clock_, ui_, report_};
  BidList list_;
  Bid* bid_ = nullptr;
};

struct PageCase {
  const char* label;
  std::string page;
  bool fresh;
  const char* reportCause;  // null: no report
  const char* title;
  const char* currentBid;
  const char* highBidder;
  std::int32_t secondsLeft = 0;
};

class ReadPage : public ItemPageTest, public testing::WithParamInterface<PageCase> {};

// The five steps in order: the first that fails stops the read and says
// why; fields set before it keep their new values.
TEST_P(ReadPage, StepsAndTheirMessages) {
  const PageCase& c = GetParam();
  UseProfile();
  EXPECT_EQ(Apply(c.page), c.fresh);
  EXPECT_EQ(bid_->dataFresh, c.fresh);
  EXPECT_EQ(bid_->title, c.title);
  EXPECT_EQ(bid_->currentBid, c.currentBid);
  EXPECT_EQ(bid_->highBidder, c.highBidder);
  const auto reports = ui_.Reports();
  if (c.reportCause != nullptr) {
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].cause, c.reportCause);
    EXPECT_EQ(reports[0].page, c.page);
  } else {
    EXPECT_TRUE(reports.empty());
  }
  EXPECT_TRUE(ui_.Boxes().empty());
  if (c.fresh) {
    EXPECT_EQ(bid_->secondsLeftAtRead, c.secondsLeft);
    EXPECT_EQ(bid_->readTime, std::optional<std::int64_t>(5000 * kMicrosPerSecond));
  }
}

const std::string kEnds = "Ends: Dec-12-03 18:22:33 PST\n";
const std::string kTitle = "<title>Brass lamp</title>\n";
const std::string kRest = "Bid: US $5.00\nBidder: ann\n";

INSTANTIATE_TEST_SUITE_P(
    Pages, ReadPage,
    testing::Values(
        PageCase{"complete", "Item #123\n" + kEnds + kTitle + kRest, true, nullptr, "Brass lamp",
                 "US $5.00", "ann", 58953},
        PageCase{"leading_zeros_and_sign", "Item #+000123\n" + kEnds + kTitle + kRest, true,
                 nullptr, "Brass lamp", "US $5.00", "ann", 58953},
        PageCase{"already_ended", "Item #123\nEnds: Dec-11-03 18:22:33 PST\n" + kTitle + kRest,
                 true, nullptr, "Brass lamp", "US $5.00", "ann", 58953 - 86400},
        PageCase{"no_current_bid_keeps_old", "Item #123\n" + kEnds + kTitle + "Bidder: ann\n",
                 true, nullptr, "Brass lamp", "US $1.00", "ann", 58953},
        PageCase{"no_bidder_empties_it", "Item #123\n" + kEnds + kTitle + "Bid: US $5.00\n",
                 true, nullptr, "Brass lamp", "US $5.00", "", 58953},
        PageCase{"no_number", kEnds + kTitle + kRest, false, "Can't find parse auction number.",
                 "old title", "US $1.00", "old bidder"},
        PageCase{"other_number", "Item #124\n" + kEnds + kTitle + kRest, false,
                 "Header version 2: Item number read from Ebay doesn't match number we asked for.",
                 "old title", "US $1.00", "old bidder"},
        PageCase{"no_ending", "Item #123\n" + kTitle + kRest, false,
                 "Can't find parse auction ending time.", "old title", "US $1.00", "old bidder"},
        PageCase{"unreadable_ending", "Item #123\nEnds: in three days\n" + kTitle + kRest, false,
                 "Header version 2: Can't parse ending time string.", "old title", "US $1.00",
                 "old bidder"},
        PageCase{"no_title", "Item #123\n" + kEnds + kRest, false, "Can't find auction title.",
                 "old title", "US $1.00", "old bidder"}),
    [](const testing::TestParamInfo<PageCase>& info) { return info.param.label; });

// "- Invalid Item" is looked for first, before any field.
TEST_F(ItemPageTest, InvalidItemPageWins) {
  UseProfile();
  EXPECT_FALSE(Apply("eBay - Invalid Item\nItem #123\n" + kEnds + kTitle + kRest));
  EXPECT_EQ(bid_->status, BidStatus::Invalid);
  EXPECT_EQ(bid_->title, "old title");
  EXPECT_TRUE(bid_->dataFresh) << "no read is outstanding any more";
  EXPECT_TRUE(ui_.Reports().empty());
}

// A reply handled late (behind a box, a busy thread) counts down from when
// it came, not from when it was handled.
TEST_F(ItemPageTest, LateReplyCountsFromItsArrival) {
  UseProfile();
  const std::int64_t arrived = clock_.NowMicros() - 300 * kMicrosPerSecond;
  ASSERT_TRUE(Apply("Item #123\n" + kEnds + kTitle + kRest, "Fri, 12 Dec 2003 10:00:00 GMT", arrived));
  EXPECT_EQ(bid_->readTime, std::optional<std::int64_t>(arrived));
}

TEST_F(ItemPageTest, UnreadableDateFailsSilently) {
  UseProfile();
  EXPECT_FALSE(Apply("Item #123\n" + kEnds + kTitle + kRest, "yesterday"));
  EXPECT_FALSE(bid_->dataFresh);
  EXPECT_EQ(bid_->title, "Brass lamp") << "the steps before the date keep what they read";
  EXPECT_TRUE(ui_.Boxes().empty());
  EXPECT_TRUE(ui_.Reports().empty());
}

TEST_F(ItemPageTest, PatternWithoutGroupGivesEmptyBidder) {
  UseProfile(R"(Item #\s*([-+0-9]+))", "Bidder: ");
  EXPECT_TRUE(Apply("Item #123\n" + kEnds + kTitle + kRest));
  EXPECT_EQ(bid_->highBidder, "");
}

// A pattern that does not compile, or whose search goes past the library's
// limits, shows a box naming it; the read fails without a report.
TEST_F(ItemPageTest, BrokenPatternsShowTheirBox) {
  UseProfile("Item #(", R"(Bidder: (\w*))");
  EXPECT_FALSE(Apply("Item #123\n" + kEnds + kTitle + kRest));
  EXPECT_EQ(ui_.Boxes(), std::vector<std::string>{
                             "Malformed regular expression parsing item auction number\nItem #("});

  TempFolder other;
  const ServerList servers(other.Write("servers.xml", ServersWith(R"(Item #(\d+))", "(a*)*b")));
  ASSERT_TRUE(list_.AccountRecord().SetAccount(servers, "joe", "pw", "USA"));
  EXPECT_FALSE(Apply("Item #123\n" + kEnds + kTitle + kRest + std::string(20000, 'a')));
  EXPECT_EQ(ui_.Boxes().size(), 2u);
  EXPECT_EQ(ui_.Boxes().back(), "Malformed regular expression parsing item high bidder\n(a*)*b");
  EXPECT_TRUE(ui_.Reports().empty());
}

struct BrokenStep {
  const char* label;
  std::string Patterns::*pattern;
  const char* message;
};

class BrokenPattern : public ItemPageTest, public testing::WithParamInterface<BrokenStep> {};

// Every step's pattern that does not compile shows its own box, and the
// read fails there without a report.
TEST_P(BrokenPattern, ShowsTheStepsBox) {
  Patterns patterns;
  patterns.*GetParam().pattern += "(";
  UseProfile(patterns);
  EXPECT_FALSE(Apply("Item #123\n" + kEnds + kTitle + kRest));
  EXPECT_FALSE(bid_->dataFresh);
  EXPECT_EQ(ui_.Boxes(), std::vector<std::string>{GetParam().message + patterns.*GetParam().pattern});
  EXPECT_TRUE(ui_.Reports().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Steps, BrokenPattern,
    testing::Values(
        BrokenStep{"number", &Patterns::number, "Malformed regular expression parsing item auction number\n"},
        BrokenStep{"ending", &Patterns::ending, "Malformed regular expression parsing item ending time\n"},
        BrokenStep{"title", &Patterns::title, "Malformed regular expression parsing item auction title\n"},
        BrokenStep{"currentbid", &Patterns::currentbid, "Malformed regular expression parsing item current bid\n"},
        BrokenStep{"bidder", &Patterns::bidder, "Malformed regular expression parsing item high bidder\n"}),
    [](const testing::TestParamInfo<BrokenStep>& info) { return info.param.label; });

// What a page escapes is read as it is meant: a user id holding '&' is
// the high bidder when the page shows it escaped, and titles and prices
// show their characters, not their references.
TEST_F(ItemPageTest, ValuesAreReadWithoutTheirHtmlEscapes) {
  Patterns patterns;
  patterns.number = R"(Item #(\S+))";
  patterns.bidder = "Bidder: <b>([^<]*)</b>";
  UseProfile(patterns, "joe & \"co\" <x>");
  ASSERT_TRUE(Apply("Item #&#49;&#x32;3\n" + kEnds + "<title>Tom &amp; Jerry &#8211; &lt;boxed&gt;</title>\n" +
                    "Bid: US&nbsp;$5.00\nBidder: <b>joe &amp; &quot;co&quot; &lt;x&gt;</b>\n"));
  EXPECT_EQ(bid_->title, "Tom & Jerry \xE2\x80\x93 <boxed>");
  EXPECT_EQ(bid_->currentBid, "US\xC2\xA0$5.00");
  EXPECT_EQ(bid_->highBidder, list_.AccountRecord().UserId());
}

class ItemPageOnPracticeSite : public PracticeSiteFixture {};

// The whole read with the shipped profiles: the request the worker makes,
// the page the practice site serves, the values the patterns take out.
TEST_F(ItemPageOnPracticeSite, ShippedProfilesReadTheSitesPages) {
  RecordingUserInterface ui;
  HttpClient client(ui);
  SiteTimeParser times;
  SystemClock clock;
  ErrorReport report(ui);
  ItemPageReader reader(client, times, clock, ui, report);
  const ServerList servers(serversPath_);
  const std::uint32_t item = site_->AddAuction("Tin robot", 500, 7.5, "ann");

  for (const char* location : {"USA", "UK"}) {
    BidList list;
    ASSERT_TRUE(list.AccountRecord().SetAccount(servers, "joe", "pw", location));
    Bid bid;
    bid.SetItem(item);
    Bid& listed = *list.BidAt(list.AddBid(bid));
    EXPECT_EQ(ItemPageReader::ItemPageAddress(listed),
              "http://" + site_->Host() + (std::string(location) == "UK" ? "/uk" : "/ws") +
                  "/ViewItem?ViewItem&item=" + std::to_string(item));

    auto receiver = std::make_shared<CollectingReceiver>();
    listed.refreshWanted = true;
    ASSERT_TRUE(reader.RequestItemPage(listed, receiver));
    EXPECT_FALSE(listed.refreshWanted);
    auto done = receiver->WaitFor(1);
    ASSERT_EQ(done.size(), 1u) << location;
    EXPECT_EQ(done[0]->tag, static_cast<std::int32_t>(listed.Id()));
    ASSERT_TRUE(reader.ApplyItemPage(listed, *done[0])) << location;
    EXPECT_EQ(listed.title, "Tin robot");
    EXPECT_EQ(listed.currentBid, "US $7.50");
    EXPECT_EQ(listed.highBidder, "ann");
    EXPECT_NEAR(listed.secondsLeftAtRead, 500, 2);
  }

  BidList list;
  ASSERT_TRUE(list.AccountRecord().SetAccount(servers, "joe", "pw", "USA"));
  Bid unknown;
  unknown.SetItem(12345);
  Bid& listed = *list.BidAt(list.AddBid(unknown));
  auto receiver = std::make_shared<CollectingReceiver>();
  reader.RequestItemPage(listed, receiver);
  auto done = receiver->WaitFor(1);
  ASSERT_EQ(done.size(), 1u);
  EXPECT_FALSE(reader.ApplyItemPage(listed, *done[0]));
  EXPECT_EQ(listed.status, BidStatus::Invalid);
  EXPECT_TRUE(ui.Boxes().empty());
  EXPECT_TRUE(ui.Reports().empty());
}

}  // namespace
