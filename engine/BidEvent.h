#pragma once

#include <cstdint>
#include <optional>
#include <string>

// One step of a bid's life as the engine saw it: what the history log
// keeps and what notifications are made of.
struct BidEvent {
  enum class Kind {
    Added,           // the bid joined the list
    Read,            // its item page read: price, high bidder, seconds left
    ReadFailed,      // a read that failed or whose page could not be used
    SetupSent,       // the bid setup request left
    SetupAnswered,   // its reply came
    SetupFailed,     // the setup exchange failed (another try may follow)
    KeyFound,        // the reply held the bid key
    KeyMissing,      // it did not
    CommitSent,      // the commit left
    CommitAnswered,  // its reply came
    Placed,          // the bid is in: the amount, and how long before the end the commit arrived
    Failed,          // the placement failed: the error text
    FinalRead,       // the read after the end that decided it
    Won,
    Lost,            // placed, and someone else won: the price
    Ended,           // ended without a placement of this program's
    Warning,         // something that would make the bid fail, while there is time to act
    Cancelled,       // another bid of its group was won
  };

  std::uint32_t bidId = 0;
  std::uint32_t item = 0;
  Kind kind = Kind::Read;
  std::string details;  // one line
  // Wall clock, microseconds since 1970 (UTC).
  std::int64_t localTime = 0;
  // The site's clock at that moment as estimated from its replies,
  // microseconds since 1970 (UTC); none until an estimate exists.
  std::optional<std::int64_t> siteTime;
};

// "Added", "Read", "Read failed", "Setup sent", "Setup answered",
// "Setup failed", "Key found", "Key missing", "Commit sent",
// "Commit answered", "Placed", "Failed", "Final read", "Won", "Lost",
// "Ended", "Warning", "Cancelled".
const char* EventName(BidEvent::Kind kind);
