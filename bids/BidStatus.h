#pragma once

#include <cstdint>

// Where an auction stands. Invalid, Ended, Won and Cancelled are final.
enum class BidStatus : std::uint32_t {
  Unknown = 0,         // not yet read from the site
  Invalid = 1,         // the site says the item does not exist
  Watching = 2,        // running; the bid moment has not come
  BidPlaced = 3,       // placement was attempted; waiting for the end
  AwaitingResult = 4,  // the end has passed; waiting for the final read
  Ended = 5,           // over, and someone else is the high bidder
  Won = 6,             // over, and the account's user id is the high bidder
  Cancelled = 7,       // another bid of its group was won: never placed
};

// "Unknown", "Invalid", "OK", "Waiting", "Ended", "Won", "Cancelled"; any other value
// reads "Unknown".
const char* StatusText(BidStatus status);
