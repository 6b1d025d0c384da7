#pragma once

class Bid;
struct SiteRequest;

// What the scheduler asks of the site protocol. The application implements
// it with the item-page reader and bid placement; tests record the calls.
// All of it runs on the thread that owns the bids.
class SiteOperations {
 public:
  virtual ~SiteOperations() = default;

  // Whether a Watching bid's moment has come, `now` on the local clock in
  // microseconds. By default the whole-second count: the seconds left have
  // reached the margin.
  virtual bool MomentReached(const Bid& bid, std::int64_t /*now*/);

  // Clears the bid's refreshWanted and dataFresh and queues a read of its
  // item page tagged with its id; does not wait. A read that fails never
  // comes back.
  virtual bool RequestItemPage(Bid& bid) = 0;

  // Puts a finished read into the bid. True when the bid got fresh data;
  // the scheduler then ticks it at once.
  virtual bool ApplyItemPage(Bid& bid, const SiteRequest& request) = 0;

  // The bid's moment has come: its commit goes out now (or as soon as its
  // key is there). It may run a nested event loop (an error box), in which
  // ticks, results and the user's commands go on.
  virtual bool PlaceBid(Bid& bid) = 0;
};
