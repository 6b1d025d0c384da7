#pragma once

#include "bids/SiteOperations.h"
#include "site/BidPlacer.h"
#include "site/ItemPageReader.h"

#include <functional>
#include <memory>

class RequestReceiver;

// The site protocol as the scheduler sees it: item page reads come back to
// `receiver` (the bid list's window), bids are placed at once.
class AuctionSite : public SiteOperations {
 public:
  AuctionSite(ItemPageReader& reader, BidPlacer& placer, std::weak_ptr<RequestReceiver> receiver)
      : reader_(reader), placer_(placer), receiver_(std::move(receiver)) {}

  bool RequestItemPage(Bid& bid) override { return reader_.RequestItemPage(bid, receiver_); }
  bool ApplyItemPage(Bid& bid, const SiteRequest& request) override {
    return reader_.ApplyItemPage(bid, request);
  }
  bool PlaceBid(Bid& bid) override {
    if (onPlacing) onPlacing(bid);
    return placer_.PlaceBid(bid);
  }

  // Told of every placement just before it starts (the benchmarks' time stamps).
  std::function<void(const Bid&)> onPlacing;

 private:
  ItemPageReader& reader_;
  BidPlacer& placer_;
  std::weak_ptr<RequestReceiver> receiver_;
};
