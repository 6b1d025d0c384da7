#pragma once

#include <string>

class Bid;

// The bid list's eight columns: what each shows of a bid and how rows are
// ordered by it.
namespace BidColumns {

constexpr int kCount = 8;
constexpr int kTimeLeft = 6;

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
// 5 placed or awaiting the result, 6 while a read is outstanding.
int RowIcon(const Bid& bid);

// Whether `a` goes before `b` when sorted by the column; with `descending`
// the larger key goes first. Columns outside 0-7 give no order.
bool GoesBefore(const Bid& a, const Bid& b, int column, bool descending);

}  // namespace BidColumns
