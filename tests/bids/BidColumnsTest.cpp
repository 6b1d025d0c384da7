#include "bids/BidColumns.h"
#include "bids/BidOptions.h"
#include "bids/ItemLink.h"
#include "bids/SortOrder.h"

#include "bids/Bid.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

Bid Running(std::int32_t secondsLeft, BidStatus status = BidStatus::Watching) {
  Bid bid;
  bid.status = status;
  bid.secondsLeft = secondsLeft;
  bid.dataFresh = true;
  return bid;
}

TEST(BidColumns, TimeLeftTexts) {
  struct Case {
    std::int32_t seconds;
    BidStatus status;
    const char* text;
  };
  for (const Case& c : {Case{90061, BidStatus::Watching, "1d 01:01:01"},
                        Case{86399, BidStatus::Watching, "23:59:59"},
                        Case{45, BidStatus::BidPlaced, "00:00:45"},
                        Case{864000, BidStatus::Watching, "10d 00:00:00"},
                        Case{0, BidStatus::Watching, "Ended"}, Case{-30, BidStatus::BidPlaced, "Ended"},
                        Case{500, BidStatus::Ended, ""}, Case{500, BidStatus::Unknown, ""},
                        Case{500, BidStatus::AwaitingResult, ""}}) {
    EXPECT_EQ(BidColumns::TimeLeftText(Running(c.seconds, c.status)), c.text) << c.seconds;
  }
}

TEST(BidColumns, CellsShowTheBid) {
  Bid bid = Running(3725);
  bid.SetItem(4294967295u);
  bid.SetMaxBid(12.5f);
  bid.SetMargin(30);
  bid.title = "Brass lamp";
  bid.currentBid = "US $9.00";
  bid.note = "The maximum bid is not above the current bid";
  bid.group = "Lamps";
  const std::vector<std::string> expected = {"",      "4294967295", "Brass lamp", "US $9.00",
                                             "12.50", "OK",         "01:02:05",   "30s",
                                             bid.note, "Lamps"};
  ASSERT_EQ(expected.size(), static_cast<std::size_t>(BidColumns::kCount));
  for (int column = 0; column < BidColumns::kCount; ++column) {
    EXPECT_EQ(BidColumns::CellText(bid, column), expected[column]) << column;
    EXPECT_EQ(BidColumns::CellIcon(bid, column), column == BidColumns::kNote ? 1 : -1) << column;
  }
  bid.note.clear();
  EXPECT_EQ(BidColumns::CellIcon(bid, BidColumns::kNote), -1);
  EXPECT_STREQ(BidColumns::At(BidColumns::kNote).header, "Note");
  EXPECT_STREQ(BidColumns::At(BidColumns::kGroup).header, "Group");
  EXPECT_STREQ(BidColumns::At(6).header, "Time left");
  EXPECT_TRUE(BidColumns::At(6).rightAligned);
  EXPECT_EQ(BidColumns::At(2).width, 250);
}

// Each state has its image; an outstanding read shows the lightning
// instead, whatever the state (the status text stays).
TEST(BidColumns, RowIcons) {
  const std::pair<BidStatus, int> roles[] = {
      {BidStatus::Unknown, 0},   {BidStatus::Invalid, 1},   {BidStatus::Won, 2},
      {BidStatus::Ended, 3},     {BidStatus::Watching, 4},  {BidStatus::BidPlaced, 5},
      {BidStatus::AwaitingResult, 5}, {BidStatus::Cancelled, 8}, {static_cast<BidStatus>(42), 0}};
  for (const auto& [status, icon] : roles) {
    Bid bid = Running(10, status);
    EXPECT_EQ(BidColumns::RowIcon(bid), icon);
    bid.dataFresh = false;
    EXPECT_EQ(BidColumns::RowIcon(bid), 6);
    EXPECT_EQ(BidColumns::CellText(bid, 5), StatusText(status));
  }
}

struct SortCase {
  int column;
  bool descending;
  std::vector<int> order;  // indexes into the fixture's bids
};

class SortBy : public testing::TestWithParam<SortCase> {};

// Each column orders by its own key: text columns by the text without
// regard to case (so US $10.00 goes before US $9.00), the others by number.
TEST_P(SortBy, OrdersByTheColumnsKey) {
  std::vector<Bid> bids(3);
  const char* titles[] = {"banana", "Apple", "cherry"};
  const char* prices[] = {"US $9.00", "US $10.00", "us $1.00"};
  const std::uint32_t items[] = {30, 4000000000u, 2};
  const float maxBids[] = {5.0f, 0.5f, 50.0f};
  const std::int32_t left[] = {-5, 100, 7};
  const std::int32_t margins[] = {20, 5, 90};
  const BidStatus states[] = {BidStatus::Won, BidStatus::Unknown, BidStatus::Watching};
  const char* notes[] = {"", "site down", "Account"};
  const char* groups[] = {"lamps", "", "Chairs"};
  for (int i = 0; i < 3; ++i) {
    bids[i].note = notes[i];
    bids[i].group = groups[i];
    bids[i].title = titles[i];
    bids[i].currentBid = prices[i];
    bids[i].SetItem(items[i]);
    bids[i].SetMaxBid(maxBids[i]);
    bids[i].secondsLeft = left[i];
    bids[i].SetMargin(margins[i]);
    bids[i].status = states[i];
  }
  std::vector<int> order = {0, 1, 2};
  const SortCase& c = GetParam();
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    return BidColumns::GoesBefore(bids[a], bids[b], c.column, c.descending);
  });
  EXPECT_EQ(order, c.order) << "column " << c.column;
}

INSTANTIATE_TEST_SUITE_P(Columns, SortBy,
                         testing::Values(SortCase{0, false, {1, 2, 0}}, SortCase{5, true, {0, 2, 1}},
                                         SortCase{1, false, {2, 0, 1}}, SortCase{2, false, {1, 0, 2}},
                                         SortCase{3, false, {2, 1, 0}}, SortCase{4, false, {1, 0, 2}},
                                         SortCase{6, false, {0, 2, 1}}, SortCase{6, true, {1, 2, 0}},
                                         SortCase{7, false, {1, 0, 2}}, SortCase{8, false, {0, 2, 1}},
                                         SortCase{9, false, {1, 2, 0}}, SortCase{9, true, {0, 2, 1}},
                                         SortCase{10, false, {0, 1, 2}}));

TEST(SortOrder, ColumnClicks) {
  SortOrder sort;
  EXPECT_EQ(sort.Column(), 6);
  EXPECT_EQ(sort.Order(), SortOrder::kAscending);
  sort.ColumnClicked(6);
  EXPECT_TRUE(sort.Descending()) << "Time left clicked on a fresh start";
  sort.ColumnClicked(1);
  EXPECT_EQ(sort.Column(), 1);
  EXPECT_TRUE(sort.Descending()) << "another column keeps the order";
  sort.ColumnClicked(0);
  EXPECT_EQ(sort.Column(), 1) << "the icon column changes nothing";
  sort.Set(3, 0);
  sort.ColumnClicked(3);
  EXPECT_EQ(sort.Order(), SortOrder::kAscending) << "anything but ascending becomes ascending";
}

struct OptionsCase {
  const char* item;
  const char* maxBid;
  const char* margin;
  const char* message;  // null: accepted
};

class OptionChecks : public testing::TestWithParam<OptionsCase> {};

TEST_P(OptionChecks, FirstFailureIsTheMessage) {
  const OptionsCase& c = GetParam();
  Bid bid;
  const char* message = BidOptions::Check(c.item, c.maxBid, c.margin, bid);
  if (c.message == nullptr) {
    EXPECT_EQ(message, nullptr) << message;
  } else {
    ASSERT_NE(message, nullptr);
    EXPECT_STREQ(message, c.message);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Dialog, OptionChecks,
    testing::Values(OptionsCase{"123", "12.5", "30", nullptr}, OptionsCase{"123abc", "0", "1", nullptr},
                    OptionsCase{"-1", " 12.5", " 45", nullptr}, OptionsCase{"0", "12.5", "30", BidOptions::kIllegalItem},
                    OptionsCase{"", "12.5", "30", BidOptions::kIllegalItem},
                    OptionsCase{"0", "abc", "0", BidOptions::kIllegalItem},
                    OptionsCase{"1", "12.5 ", "30", BidOptions::kIllegalMaxBid},
                    OptionsCase{"1", "12,5", "30", BidOptions::kIllegalMaxBid},
                    OptionsCase{"1", "abc", "30", BidOptions::kIllegalMaxBid},
                    OptionsCase{"1", "", "30", BidOptions::kIllegalMaxBid},
                    OptionsCase{"1", "-0.01", "30", BidOptions::kIllegalMaxBid},
                    OptionsCase{"1", "1", "0", BidOptions::kIllegalMargin},
                    OptionsCase{"1", "1", "-5", BidOptions::kIllegalMargin},
                    OptionsCase{"1", "1", "abc", BidOptions::kIllegalMargin},
                    OptionsCase{"1", "1", "12s", BidOptions::kIllegalMargin}));

TEST(BidOptions, ValuesAreTakenAsTheyPass) {
  Bid bid;
  EXPECT_EQ(BidOptions::Check("-1", "12.5", "45", bid), nullptr);
  EXPECT_EQ(bid.Item(), 4294967295u);
  EXPECT_EQ(bid.MaxBid(), 12.5f);
  EXPECT_EQ(bid.Margin(), 45);
}

}  // namespace

namespace {

TEST(ItemLink, FindsTheFirstItemLinkAnywhere) {
  struct Case {
    const char* text;
    std::optional<std::uint32_t> item;
  };
  for (const Case& c : {Case{"http://127.0.0.1:8480/ws/ViewItem?ViewItem&item=2000000005", 2000000005u},
                        Case{"see <a href=\"x/ViewItem?ViewItem&amp;cat=3&item=42\">this</a> now", 42u},
                        Case{"ViewItem&item=12 and ViewItem&item=34", 12u},
                        Case{"ViewItem\n&item=7", 7u},
                        Case{"ViewItem&item=0000", 0u},
                        Case{"ViewItem&item=4294967297", 1u},
                        Case{"http://site/item?&item=55", std::nullopt},
                        Case{"viewitem&item=5", std::nullopt},
                        Case{"ViewItem&item=", std::nullopt}, Case{"", std::nullopt}}) {
    EXPECT_EQ(ItemFromDroppedText(c.text), c.item) << c.text;
  }
}

}  // namespace
