#pragma once

#include "net/ExchangeTiming.h"
#include "net/RequestReceiver.h"

#include <cstdint>
#include <memory>
#include <string>

// One background GET: filled by the requester, fetched by the worker thread,
// then handed to the receiver, which owns it from then on. It travels by
// std::unique_ptr and carries copies of what the fetch needs, never a bid.
struct SiteRequest {
  std::int32_t tag = 0;  // the requester's own mark: a bid's id for an item page
  std::uint32_t item = 0;  // an item page's item number
  std::string host;      // host, or host:port
  std::string path;
  std::string caFile;  // an authority trusted besides the system's; empty: none
  // The worker hands the finished record here; if the receiver has gone,
  // the record is freed instead.
  std::weak_ptr<RequestReceiver> receiver;
  // Set: a failure shows no box but comes to the receiver, its text in
  // `error`; the requester decides whether the user hears of it.
  bool failureToReceiver = false;
  bool succeeded = false;
  std::string error;
  std::string page;
  std::string dateHeader;
  // When the reply came, whenever it is handled: the countdown starts there.
  ExchangeTiming timing;
};
