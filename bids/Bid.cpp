#include "bids/Bid.h"

#include <atomic>

namespace {
std::atomic<std::uint32_t> bidCounter{0};
}  // namespace

Bid::Bid() : id_(++bidCounter) {}

bool Bid::SetItem(std::uint32_t item) {
  if (item == 0) return false;
  item_ = item;
  return true;
}

bool Bid::SetMaxBid(float maxBid) {
  if (!(maxBid >= 0)) return false;
  maxBid_ = maxBid;
  return true;
}

bool Bid::SetMargin(std::int32_t margin) {
  if (margin < 1) return false;
  margin_ = margin;
  return true;
}

void Bid::ForgetSiteData() {
  title.clear();
  highBidder.clear();
  currentBid.clear();
  endTime = 0;
  bidKey.clear();
  note.clear();
  status = BidStatus::Unknown;
  readTime.reset();
  secondsLeftAtRead = 0;
  secondsLeft = 0;
  refreshWanted = false;
  dataFresh = false;
  requestTime.reset();
  rereadAt.reset();
}
