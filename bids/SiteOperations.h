#pragma once

class Bid;
struct SiteRequest;

// What the scheduler asks of the site protocol. The application implements
// it with the item-page reader and bid placement; tests record the calls.
// All three run on the user-interface thread.
class SiteOperations {
 public:
  virtual ~SiteOperations() = default;

  // Clears the bid's refreshWanted and dataFresh and queues a read of its
  // item page tagged with its id; does not wait. A read that fails never
  // comes back.
  virtual bool RequestItemPage(Bid& bid) = 0;

  // Puts a finished read into the bid. True when the bid got fresh data;
  // the scheduler then ticks it at once.
  virtual bool ApplyItemPage(Bid& bid, const SiteRequest& request) = 0;

  // Places the bid with the site and returns when that is over. It may run
  // a nested event loop (an error box), in which ticks, results and the
  // user's commands go on.
  virtual bool PlaceBid(Bid& bid) = 0;
};
