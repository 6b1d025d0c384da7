#pragma once

#include <cstdint>

// When one exchange happened, on the monotonic local clock (microseconds):
// what the site-clock estimate and the commit timing are built on.
struct ExchangeTiming {
  std::int64_t sent = 0;       // just before the request left
  std::int64_t firstByte = 0;  // the last reply's status line arrived
  bool newConnection = false;  // a connection was opened for it
  std::int64_t handshake = 0;  // of that, the secure handshake's part
  bool keptAlive = false;      // the connection stays open for the next one

  // The round trip this exchange shows: a new connection costs one more
  // round trip before the request goes.
  // (The site's time to make the page is in it too.)
  std::int64_t RoundTrip() const;
};
