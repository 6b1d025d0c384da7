// Linux: CLOCK_BOOTTIME keeps counting through a suspend, unlike
// CLOCK_MONOTONIC, and ignores steps of the wall clock, unlike time().
#include "net/LocalClock.h"

#include <time.h>

std::int64_t LocalClock::Now() const {
  const std::int64_t micros = NowMicros();
  return micros >= 0 ? micros / kMicrosPerSecond : -((-micros + kMicrosPerSecond - 1) / kMicrosPerSecond);
}

std::int64_t SystemClock::NowMicros() const { return MonotonicMicros(); }

std::int64_t MonotonicMicros() {
  timespec now{};
  clock_gettime(CLOCK_BOOTTIME, &now);
  return static_cast<std::int64_t>(now.tv_sec) * kMicrosPerSecond + now.tv_nsec / 1000;
}
