#include "bids/BidList.h"

#include <gtest/gtest.h>

namespace {

Bid ForItem(std::uint32_t item) {
  Bid bid;
  bid.SetItem(item);
  return bid;
}

TEST(BidList, AddCopiesAndPointsAtTheListsAccount) {
  BidList list;
  const Bid original = ForItem(5);
  const std::size_t row = list.AddBid(original);
  Bid* listed = list.BidAt(row);
  ASSERT_NE(listed, nullptr);
  EXPECT_NE(listed, &original);
  EXPECT_EQ(listed->Id(), original.Id());
  EXPECT_EQ(listed->account, &list.AccountRecord());
  EXPECT_EQ(list.BidAt(1), nullptr);
}

TEST(BidList, SameItemTwiceGivesTwoRowsWithTheirOwnIds) {
  BidList list;
  list.AddBid(ForItem(5));
  list.AddBid(ForItem(5));
  ASSERT_EQ(list.RowCount(), 2u);
  EXPECT_NE(list.BidAt(0)->Id(), list.BidAt(1)->Id());
}

TEST(BidList, FindByIdAfterDeleteFindsNothing) {
  BidList list;
  list.AddBid(ForItem(1));
  list.AddBid(ForItem(2));
  const std::uint32_t id = list.BidAt(0)->Id();
  EXPECT_EQ(list.FindBidById(id), list.BidAt(0));
  list.DeleteRow(0);
  EXPECT_EQ(list.FindBidById(id), nullptr);
  EXPECT_EQ(list.BidAt(0)->Item(), 2u);
  list.DeleteRow(7);  // no such row: nothing happens
  EXPECT_EQ(list.RowCount(), 1u);
}

// A bid deleted while a Hold lives stays readable until the last Hold ends.
TEST(BidList, HoldKeepsDeletedBidsAliveUntilReleased) {
  BidList list;
  list.AddBid(ForItem(1));
  list.AddBid(ForItem(2));
  Bid* first = list.BidAt(0);
  {
    BidList::Hold outer(list);
    {
      BidList::Hold inner(list);
      list.DeleteAllRows();
    }
    EXPECT_TRUE(list.IsRetired(first));
    EXPECT_EQ(first->Item(), 1u) << "still alive while the outer hold lives";
    EXPECT_EQ(list.RowCount(), 0u);
  }
  EXPECT_FALSE(list.IsRetired(first));
}

TEST(BidList, RevisionMovesOnEveryChangeOfRows) {
  BidList list;
  auto last = list.Revision();
  const auto changed = [&] {
    const bool moved = list.Revision() != last;
    last = list.Revision();
    return moved;
  };
  list.AddBid(ForItem(2));
  EXPECT_TRUE(changed());
  list.AddBid(ForItem(1));
  EXPECT_TRUE(changed());
  list.SortRows([](const Bid& a, const Bid& b) { return a.Item() < b.Item(); });
  EXPECT_TRUE(changed());
  EXPECT_EQ(list.BidAt(0)->Item(), 1u);
  list.BidAt(0)->title = "edit of a field";
  EXPECT_FALSE(changed());
  list.DeleteRow(0);
  EXPECT_TRUE(changed());
}

}  // namespace
