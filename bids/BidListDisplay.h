#pragma once

#include <cstddef>

// What the scheduler asks of whatever shows the bid list: the list view in
// the program, a recorder in tests.
class BidListDisplay {
 public:
  virtual ~BidListDisplay() = default;
  // Writes the row's cells and icon from its bid.
  virtual void ShowRow(std::size_t row) = 0;
  // Sorts the rows again by the current sort column and order.
  virtual void SortRows() = 0;
};
