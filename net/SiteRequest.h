#pragma once

#include <cstdint>
#include <string>

// One background GET: filled by the requester, fetched by the worker thread,
// then handed to the receiver, which owns it from then on. It travels by
// std::unique_ptr and carries copies of what the fetch needs, never a bid.
struct SiteRequest {
  std::int32_t tag = 0;  // the requester's own mark: a bid's id for an item page
  std::string host;
  std::string path;
  bool succeeded = false;
  std::string page;
  std::string dateHeader;
};
