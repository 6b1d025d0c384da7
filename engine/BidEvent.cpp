#include "engine/BidEvent.h"

const char* EventName(BidEvent::Kind kind) {
  using K = BidEvent::Kind;
  switch (kind) {
    case K::Added: return "Added";
    case K::Read: return "Read";
    case K::ReadFailed: return "Read failed";
    case K::SetupSent: return "Setup sent";
    case K::SetupAnswered: return "Setup answered";
    case K::SetupFailed: return "Setup failed";
    case K::KeyFound: return "Key found";
    case K::KeyMissing: return "Key missing";
    case K::CommitSent: return "Commit sent";
    case K::CommitAnswered: return "Commit answered";
    case K::Placed: return "Placed";
    case K::Failed: return "Failed";
    case K::FinalRead: return "Final read";
    case K::Won: return "Won";
    case K::Lost: return "Lost";
    case K::Ended: return "Ended";
    case K::Warning: return "Warning";
    case K::Cancelled: return "Cancelled";
  }
  return "Event";
}
