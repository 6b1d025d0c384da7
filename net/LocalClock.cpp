#include "net/LocalClock.h"

#include <ctime>

std::int64_t SystemClock::Now() const { return static_cast<std::int64_t>(std::time(nullptr)); }
