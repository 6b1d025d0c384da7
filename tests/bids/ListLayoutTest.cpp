#include "bids/ListLayout.h"

#include "store/XmlDocument.h"

#include <gtest/gtest.h>

namespace {

TEST(ListLayout, WrittenLayoutReadsBack) {
  ListLayout layout;
  layout.widths = {20, 80, 300, 71, 61, 72, 90, 50, 150, 60};
  layout.sortColumn = 2;
  layout.sortOrder = 2;
  layout.evenRow = {1, 2, 3};
  layout.oddRow = {250, 251, 252};
  XmlDocument document;
  document.AddElement("quorrel");
  WriteListLayout(document, layout);
  EXPECT_EQ(document.Text(),
            "<quorrel>\r\n<columns>\r\n<column>20</column>\r\n<column>80</column>\r\n"
            "<column>300</column>\r\n<column>71</column>\r\n<column>61</column>\r\n"
            "<column>72</column>\r\n<column>90</column>\r\n<column>50</column>\r\n"
            "<sort>\r\n<column>2</column>\r\n<order>2</order>\r\n</sort>\r\n<colors>\r\n"
            "<roweven R=\"1\" G=\"2\" B=\"3\"/>\r\n<rowodd R=\"250\" G=\"251\" B=\"252\"/>\r\n"
            "</colors>\r\n</columns>\r\n</quorrel>\r\n");

  XmlDocument reread;
  ASSERT_TRUE(reread.SetText(document.Text()));
  ASSERT_TRUE(reread.FindElement("quorrel"));
  ListLayout loaded;
  ASSERT_TRUE(ReadListLayout(reread, loaded));
  for (int i = 0; i < BidColumns::kCount; ++i) {
    // The later columns are not the classic group's.
    EXPECT_EQ(loaded.widths[i], i < BidColumns::kClassicCount ? layout.widths[i] : ListLayout().widths[i]) << i;
  }
  EXPECT_EQ(loaded.sortColumn, 2);
  EXPECT_EQ(loaded.sortOrder, 2);
  EXPECT_EQ(loaded.evenRow, layout.evenRow);
  EXPECT_EQ(loaded.oddRow, layout.oddRow);
}

// Seven widths set seven columns; a 0 keeps its column, a negative width
// gives the column's default; a sort with only an order keeps the column;
// a colour with missing parts reads them as 0.
TEST(ListLayout, PartialLayoutsKeepTheRest) {
  XmlDocument document;
  ASSERT_TRUE(document.SetText(
      "<quorrel><columns><column>11</column><column>0</column><column>33</column>"
      "<column>44</column><column>65601</column><column>-1</column><column>-70000</column>"
      "<sort><order>2</order></sort>"
      "<colors><rowodd G=\"300\"/></colors></columns></quorrel>"));
  ASSERT_TRUE(document.FindElement("quorrel"));
  ListLayout layout;
  layout.widths[1] = 123;
  layout.widths[5] = layout.widths[6] = 456;
  ASSERT_TRUE(ReadListLayout(document, layout));
  const ListLayout defaults;
  EXPECT_EQ(layout.widths[0], 11);
  EXPECT_EQ(layout.widths[1], 123) << "0 keeps what was there";
  EXPECT_EQ(layout.widths[4], 65) << "the low 16 bits";
  EXPECT_EQ(layout.widths[5], defaults.widths[5]) << "-1 is the default, not 65535";
  EXPECT_EQ(layout.widths[6], defaults.widths[6]);
  EXPECT_EQ(layout.widths[7], defaults.widths[7]);
  EXPECT_EQ(layout.sortColumn, defaults.sortColumn);
  EXPECT_EQ(layout.sortOrder, 2);
  EXPECT_EQ(layout.evenRow, defaults.evenRow);
  EXPECT_EQ(layout.oddRow, (ListLayout::Colour{0, 44, 0}));
}

TEST(ListLayout, NoColumnsElementChangesNothing) {
  XmlDocument document;
  ASSERT_TRUE(document.SetText("<quorrel><pos>1 2</pos></quorrel>"));
  ASSERT_TRUE(document.FindElement("quorrel"));
  ListLayout layout;
  layout.sortColumn = 3;
  EXPECT_FALSE(ReadListLayout(document, layout));
  EXPECT_EQ(layout.sortColumn, 3);
}

}  // namespace
