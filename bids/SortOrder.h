#pragma once

// Which column the bid list is sorted by, and which way.
class SortOrder {
 public:
  static constexpr int kAscending = 1;
  static constexpr int kDescending = 2;

  int Column() const { return column_; }
  int Order() const { return order_; }
  bool Descending() const { return order_ == kDescending; }
  void Set(int column, int order) {
    column_ = column;
    order_ = order;
  }

  // A click on the sorted column turns the order round; on another column
  // it sorts by that one, the same way; the icon column only sorts again.
  void ColumnClicked(int column);

 private:
  int column_ = 6;  // Time left
  int order_ = kAscending;
};
