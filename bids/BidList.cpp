#include "bids/BidList.h"

#include <algorithm>

Bid* BidList::BidAt(std::size_t row) { return row < rows_.size() ? rows_[row].get() : nullptr; }

const Bid* BidList::BidAt(std::size_t row) const {
  return row < rows_.size() ? rows_[row].get() : nullptr;
}

Bid* BidList::FindBidById(std::uint32_t id) {
  for (const auto& bid : rows_) {
    if (bid->Id() == id) return bid.get();
  }
  return nullptr;
}

std::optional<std::size_t> BidList::RowOf(const Bid* bid) const {
  for (std::size_t row = 0; row < rows_.size(); ++row) {
    if (rows_[row].get() == bid) return row;
  }
  return std::nullopt;
}

std::size_t BidList::AddBid(const Bid& bid) {
  auto copy = std::make_unique<Bid>(bid);
  copy->account = &account_;
  rows_.push_back(std::move(copy));
  ++revision_;
  return rows_.size() - 1;
}

void BidList::DeleteRow(std::size_t row) {
  if (row >= rows_.size()) return;
  if (holds_ > 0) retired_.push_back(std::move(rows_[row]));
  rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(row));
  ++revision_;
}

void BidList::DeleteAllRows() {
  while (!rows_.empty()) DeleteRow(0);
}

void BidList::SortRows(const RowOrder& goesBefore) {
  std::stable_sort(rows_.begin(), rows_.end(),
                   [&](const auto& a, const auto& b) { return goesBefore(*a, *b); });
  ++revision_;
}

bool BidList::IsRetired(const Bid* bid) const {
  return std::any_of(retired_.begin(), retired_.end(),
                     [bid](const auto& retired) { return retired.get() == bid; });
}
