#include "site/RequestTemplate.h"

#include "bids/BidList.h"
#include "site/ServerList.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct ExpandCase {
  const char* templateText;
  const char* bidResult;      // ExpandTemplate
  const char* accountResult;  // ExpandAccountTemplate
};

class Expansion : public testing::TestWithParam<ExpandCase> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(list_.AccountRecord().SetAccount(ServerList(QUORREL_SHIPPED_SERVERS), "joe",
                                                 "p&ss w=rd%+", "USA"));
    Bid bid;
    ASSERT_TRUE(bid.SetItem(4294967295u));
    ASSERT_TRUE(bid.SetMaxBid(12.5f));
    bid_ = list_.BidAt(list_.AddBid(bid));
  }
  BidList list_;
  Bid* bid_ = nullptr;
};

TEST_P(Expansion, ReplacesKnownNamesLeftToRight) {
  const ExpandCase& c = GetParam();
  EXPECT_EQ(ExpandTemplate(*bid_, c.templateText), c.bidResult);
  EXPECT_EQ(ExpandAccountTemplate(list_.AccountRecord(), c.templateText), c.accountResult);
}

INSTANTIATE_TEST_SUITE_P(
    Templates, Expansion,
    testing::Values(
        ExpandCase{"/item?%[ITEM]", "/item?4294967295", "/item?%[ITEM]"},
        ExpandCase{"max=%[MAXBID]", "max=12.50", "max=%[MAXBID]"},
        ExpandCase{"u=%[USERID]&p=%[PASSWORD]", "u=joe&p=p%26ss%20w%3Drd%25%2B",
                   "u=joe&p=p%26ss%20w%3Drd%25%2B"},
        ExpandCase{"%[item]%[IT3M]%[ITEM]", "%[item]%[IT3M]4294967295", "%[item]%[IT3M]%[ITEM]"},
        ExpandCase{"%[FOO]%[ITEM]", "%[FOO]%[ITEM]", "%[FOO]%[ITEM]"},
        ExpandCase{"%[USERID]%[ITEM]%[USERID]", "joe4294967295joe", "joe%[ITEM]%[USERID]"},
        ExpandCase{"%%[ITEM]", "%4294967295", "%%[ITEM]"},
        ExpandCase{"key=%[BIDKEY];", "key=;", "key=%[BIDKEY];"},
        ExpandCase{"a\r\n%[ITEM]\r\nb", "a\r\n4294967295\r\nb", "a\r\n%[ITEM]\r\nb"},
        ExpandCase{"no placeholders", "no placeholders", "no placeholders"},
        ExpandCase{"", "", ""}));

TEST(RequestTemplate, MoneyHasTwoDecimalsAndAPoint) {
  Bid bid;
  for (const auto& [amount, text] :
       {std::pair{3.0f, "3.00"}, {0.0f, "0.00"}, {1234567.0f, "1234567.00"}, {0.125f, "0.12"}}) {
    ASSERT_TRUE(bid.SetMaxBid(amount));
    EXPECT_EQ(ExpandTemplate(bid, "%[MAXBID]"), text);
  }
}

TEST(RequestTemplate, EncodesEveryByteButUnreserved) {
  EXPECT_EQ(PercentEncode("AZaz09-_.~"), "AZaz09-_.~");
  EXPECT_EQ(PercentEncode("j\xC3\xB6rg"), "j%C3%B6rg");
  EXPECT_EQ(PercentEncode(std::string("a\0b", 3)), "a%00b");
  EXPECT_EQ(PercentEncode("%[PASSWORD]"), "%25%5BPASSWORD%5D");
}

// Values that spell placeholders, or make one with the template around
// them, still end.
TEST(RequestTemplate, EndsOnSelfReferringValues) {
  BidList list;
  ASSERT_TRUE(list.AccountRecord().SetAccount(ServerList(QUORREL_SHIPPED_SERVERS), "USERID",
                                              "%[PASSWORD]", "USA"));
  Bid* bid = list.BidAt(list.AddBid(Bid()));
  bid->bidKey = "%[BIDKEY]";
  EXPECT_EQ(ExpandTemplate(*bid, "%[PASSWORD]|%[BIDKEY]"), "%25%5BPASSWORD%5D|%25%5BBIDKEY%5D");
  EXPECT_EQ(ExpandTemplate(*bid, "%[%[USERID]]"), "USERID");
  EXPECT_EQ(ExpandAccountTemplate(list.AccountRecord(), "%[%[%[USERID]]]"), "USERID");
}

}  // namespace
