#include "bids/Bid.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

namespace {

TEST(Bid, ConstructionTakesTheNextIdAndCopiesKeepIt) {
  const Bid first;
  const Bid second;
  EXPECT_EQ(second.Id(), first.Id() + 1);
  Bid copy = first;
  EXPECT_EQ(copy.Id(), first.Id());
  ASSERT_TRUE(copy.SetItem(77));
  Bid back;
  back = copy;
  EXPECT_EQ(back.Id(), first.Id()) << "a bid edited and copied back keeps its id";
  EXPECT_EQ(back.Item(), 77u);
}

TEST(Bid, Defaults) {
  const Bid bid;
  EXPECT_EQ(bid.Item(), 0u);
  EXPECT_EQ(bid.MaxBid(), 1.0f);
  EXPECT_EQ(bid.Margin(), 30);
  EXPECT_EQ(bid.status, BidStatus::Unknown);
  EXPECT_EQ(bid.secondsLeft, 0);
  EXPECT_FALSE(bid.dataFresh);
  EXPECT_FALSE(bid.refreshWanted);
  EXPECT_FALSE(bid.readTime.has_value());
  EXPECT_EQ(bid.account, nullptr);
}

// A refused value leaves the field as it was.
TEST(Bid, SettersRefuseOutOfRangeValues) {
  Bid bid;
  EXPECT_FALSE(bid.SetItem(0));
  EXPECT_TRUE(bid.SetItem(4294967295u));
  EXPECT_FALSE(bid.SetItem(0));
  EXPECT_EQ(bid.Item(), 4294967295u);

  EXPECT_TRUE(bid.SetMaxBid(0.0f));
  EXPECT_FALSE(bid.SetMaxBid(-0.01f));
  EXPECT_FALSE(bid.SetMaxBid(std::numeric_limits<float>::quiet_NaN()));
  EXPECT_EQ(bid.MaxBid(), 0.0f);
  EXPECT_TRUE(bid.SetMaxBid(std::numeric_limits<float>::infinity()));

  EXPECT_FALSE(bid.SetMargin(0));
  EXPECT_FALSE(bid.SetMargin(-5));
  EXPECT_EQ(bid.Margin(), 30);
  EXPECT_TRUE(bid.SetMargin(1));
  EXPECT_EQ(bid.Margin(), 1);
}

TEST(BidStatus, Texts) {
  EXPECT_STREQ(StatusText(BidStatus::Unknown), "Unknown");
  EXPECT_STREQ(StatusText(BidStatus::Invalid), "Invalid");
  EXPECT_STREQ(StatusText(BidStatus::Watching), "OK");
  EXPECT_STREQ(StatusText(BidStatus::BidPlaced), "Waiting");
  EXPECT_STREQ(StatusText(BidStatus::AwaitingResult), "Waiting");
  EXPECT_STREQ(StatusText(BidStatus::Ended), "Ended");
  EXPECT_STREQ(StatusText(BidStatus::Won), "Won");
  EXPECT_STREQ(StatusText(static_cast<BidStatus>(99)), "Unknown");
}

}  // namespace
