#pragma once

#include "bids/Bid.h"
#include "site/Account.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

// The bids in display order, each owned by its row; the one account that
// every listed bid refers to; the margin the Add dialog offers a new bid.
// Row indices are positions and change when the list is sorted.
//
// User-interface thread only.
class BidList {
 public:
  BidList() = default;
  BidList(const BidList&) = delete;  // the bids point at this list's account
  BidList& operator=(const BidList&) = delete;

  std::size_t RowCount() const { return rows_.size(); }
  Bid* BidAt(std::size_t row);  // null when the row does not exist
  const Bid* BidAt(std::size_t row) const;
  Bid* FindBidById(std::uint32_t id);  // first row in row order; null if none
  std::optional<std::size_t> RowOf(const Bid* bid) const;

  // Appends a copy that refers to this list's account; returns its row.
  std::size_t AddBid(const Bid& bid);
  void DeleteRow(std::size_t row);
  void DeleteAllRows();

  using RowOrder = std::function<bool(const Bid&, const Bid&)>;
  // Stable: rows with equal keys keep their order.
  void SortRows(const RowOrder& goesBefore);

  Account& AccountRecord() { return account_; }
  const Account& AccountRecord() const { return account_; }

  std::int32_t defaultMargin = 20;

  // Grows on every change of the rows (add, delete, sort): a caller that
  // remembered row positions can tell whether they still hold.
  std::uint64_t Revision() const { return revision_; }

  // While a Hold lives, deleted bids are kept alive (though no longer
  // listed), so that a caller holding a Bid* across a call that may run a
  // nested event loop never follows a dangling pointer. Check IsRetired
  // before touching such a bid again.
  class Hold {
   public:
    explicit Hold(BidList& list) : list_(list) { ++list_.holds_; }
    ~Hold() {
      if (--list_.holds_ == 0) list_.retired_.clear();
    }
    Hold(const Hold&) = delete;
    Hold& operator=(const Hold&) = delete;

   private:
    BidList& list_;
  };
  bool IsRetired(const Bid* bid) const;

 private:
  std::vector<std::unique_ptr<Bid>> rows_;
  std::vector<std::unique_ptr<Bid>> retired_;
  int holds_ = 0;
  std::uint64_t revision_ = 0;
  Account account_;
};
