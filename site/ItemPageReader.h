#pragma once

#include "site/PatternSearch.h"

#include <memory>
#include <string>

class Bid;
class ErrorReport;
class HttpClient;
class LocalClock;
class RequestReceiver;
class SiteTimeParser;
class UserInterface;
struct SiteRequest;

// A bid knows its auction only through the item page: this asks the worker
// for it and, when it comes, reads item number, ending time, title, current
// bid and high bidder with the profile's patterns and works out the seconds
// left by the site's own clock. Pages that do not match open the error
// report.
//
// User-interface thread only; only the fetch runs on the worker thread.
class ItemPageReader {
 public:
  ItemPageReader(HttpClient& client, const SiteTimeParser& times, const LocalClock& clock,
                 UserInterface& ui, ErrorReport& report);

  // Clears refreshWanted and dataFresh and queues the read, tagged with the
  // bid's id, for `receiver`.
  bool RequestItemPage(Bid& bid, const std::weak_ptr<RequestReceiver>& receiver);

  // True when the bid got fresh data (the caller then ticks it). A page of
  // an unknown item makes the bid Invalid and gives false; so does any
  // failed step, leaving the fields that earlier steps set.
  bool ApplyItemPage(Bid& bid, const SiteRequest& request);

  // The read of the bid's item page, tagged with its id, not yet queued.
  static std::unique_ptr<SiteRequest> MakeRequest(const Bid& bid);

  // Where the browser finds the item: host and object, without "http://".
  static std::string ItemPageAddress(const Bid& bid);

 private:
  // A step's pattern matched; one that did not is reported with the cause.
  bool Found(PatternResult result, const char* missingCause, const SiteRequest& request);
  bool ReadItemNumber(Bid& bid, const SiteRequest& request);
  bool ReadEndingTime(Bid& bid, const SiteRequest& request);
  bool ReadTitle(Bid& bid, const SiteRequest& request);
  bool ReadCurrentBid(Bid& bid, const SiteRequest& request);
  bool ReadHighBidder(Bid& bid, const SiteRequest& request);

  HttpClient& client_;
  const SiteTimeParser& times_;
  const LocalClock& clock_;
  UserInterface& ui_;
  ErrorReport& report_;
};
