#pragma once

#include <cstdint>

// A time stamp of the auction site as a count of seconds. Only the difference
// of two values means anything: an item page's ending time minus the Date
// header of the same reply is the time the auction has left.
using SiteTime = std::int64_t;
