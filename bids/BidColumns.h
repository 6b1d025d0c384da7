#pragma once

#include <string>

class Bid;

// The bid list's columns: what each shows of a bid and how rows are
// ordered by it. The first eight are the classic layout's; the settings
// file keeps the others in a group of their own.
namespace BidColumns {

constexpr int kCount = 10;
constexpr int kClassicCount = 8;
constexpr int kTimeLeft = 6;
constexpr int kNote = 8;
constexpr int kGroup = 9;

struct Column {
  const char* header;
  int width;  // pixels
  bool rightAligned;
};
const Column& At(int column);

// The text of a cell; column 0 has none (it shows the icon).
std::string CellText(const Bid& bid, int column);

// "1d 02:03:04", "00:00:45" or "Ended" for running bids; empty otherwise.
std::string TimeLeftText(const Bid& bid);

// The row's image: 0 unknown, 1 invalid, 2 won, 3 ended, 4 watching,
// 5 placed or awaiting the result, 6 while a read is outstanding,
// 8 cancelled.
int RowIcon(const Bid& bid);
// The image of a cell other than the first: 1 (warning) for a note, else -1.
int CellIcon(const Bid& bid, int column);

// Whether `a` goes before `b` when sorted by the column; with `descending`
// the larger key goes first. Columns outside 0-9 give no order.
bool GoesBefore(const Bid& a, const Bid& b, int column, bool descending);

}  // namespace BidColumns
