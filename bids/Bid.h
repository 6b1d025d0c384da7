#pragma once

#include "bids/BidStatus.h"
#include "net/SiteTime.h"

#include <cstdint>
#include <optional>
#include <string>

class Account;

// One watched auction: what the user asked for (item, maximum bid, margin),
// what the last read of its item page said, and where it stands.
//
// Every construction takes the next id of a process-wide counter (the first
// bid of a run gets 1); ids are never reused in a run. A copy copies every
// field, the id included, so a bid that goes through a dialog and back keeps
// its identity.
//
// The user's three fields are written only through their validating
// setters. The others are written by page reads, bid placement and the
// scheduler.
class Bid {
 public:
  Bid();

  std::uint32_t Id() const { return id_; }

  std::uint32_t Item() const { return item_; }
  float MaxBid() const { return maxBid_; }
  std::int32_t Margin() const { return margin_; }

  bool SetItem(std::uint32_t item);     // refuses 0
  bool SetMaxBid(float maxBid);         // refuses anything not >= 0 (NaN too)
  bool SetMargin(std::int32_t margin);  // refuses below 1 second

  // Back to what a new bid knows of its auction (nothing), keeping the
  // user's fields (the group too), the id and the account: for a bid given
  // another item.
  void ForgetSiteData();

  // The bid list's one account; set when the bid joins the list.
  const Account* account = nullptr;

  // From the item page, verbatim.
  std::string title;
  std::string highBidder;
  std::string currentBid;  // with its currency text; never a number
  SiteTime endTime = 0;

  // From the reply to the bid setup request; offered to templates as BIDKEY.
  std::string bidKey;

  BidStatus status = BidStatus::Unknown;

  // The user's name for bids of which one win is enough ("" for none):
  // when one of them is won, the others that have not gone are cancelled.
  std::string group;
  // Why the bid may fail, while there is time to act ("" when nothing).
  std::string note;

  // Local clock (monotonic, microseconds) when the reply of the last
  // successful read arrived; unset until the first one.
  std::optional<std::int64_t> readTime;
  // Seconds left by the site's own clock at that read.
  std::int32_t secondsLeftAtRead = 0;
  // Seconds left now, counted down from the last read by the local clock.
  std::int32_t secondsLeft = 0;

  bool refreshWanted = false;
  // The shown data comes from a completed read: false while a read is
  // outstanding, and from the end of the auction until the final read.
  bool dataFresh = false;
  // Local clock (microseconds) when the latest read was asked for; unset
  // before any.
  std::optional<std::int64_t> requestTime;
  // A final page that still showed time left: read again at this time.
  std::optional<std::int64_t> rereadAt;

 private:
  std::uint32_t id_;
  std::uint32_t item_ = 0;
  float maxBid_ = 1.0f;
  std::int32_t margin_ = 30;
};
