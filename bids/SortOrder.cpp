#include "bids/SortOrder.h"

void SortOrder::ColumnClicked(int column) {
  if (column == column_) {
    order_ = order_ == kAscending ? kDescending : kAscending;
  } else if (column != 0) {
    column_ = column;
  }
}
