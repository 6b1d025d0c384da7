#include "bids/BidStatus.h"

const char* StatusText(BidStatus status) {
  switch (status) {
    case BidStatus::Invalid: return "Invalid";
    case BidStatus::Watching: return "OK";
    case BidStatus::BidPlaced:
    case BidStatus::AwaitingResult: return "Waiting";
    case BidStatus::Ended: return "Ended";
    case BidStatus::Won: return "Won";
    case BidStatus::Cancelled: return "Cancelled";
    case BidStatus::Unknown: break;
  }
  return "Unknown";
}
