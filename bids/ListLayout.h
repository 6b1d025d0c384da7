#pragma once

#include "bids/BidColumns.h"

#include <array>

class XmlDocument;

// The bid list's layout as the settings file keeps it: column widths, the
// sort column and order, and the two row colours.
struct ListLayout {
  struct Colour {
    unsigned char red, green, blue;
    bool operator==(const Colour&) const = default;
  };
  std::array<int, BidColumns::kCount> widths{};  // pixels
  int sortColumn = BidColumns::kTimeLeft;
  int sortOrder = 1;
  Colour evenRow{255, 255, 255};
  Colour oddRow{244, 244, 244};

  ListLayout();  // the columns' own widths
};

// From the "columns" child of the document's current (root) element: the
// classic columns' widths, the sort and the colours; false when there is
// none, and nothing changes. A width of 0 keeps the width, a negative one
// gives the column's default.
bool ReadListLayout(XmlDocument& document, ListLayout& layout);
// Adds the "columns" child under the document's current element, as the
// classic layout had it.
void WriteListLayout(XmlDocument& document, const ListLayout& layout);

// The widths of the columns after the classic ones, from and to the
// "columns" child of the element the document is in (the "extras" group).
void ReadLaterColumns(XmlDocument& document, ListLayout& layout);
void WriteLaterColumns(XmlDocument& document, const ListLayout& layout);
