#pragma once

#include <cstdint>

// The local clock: monotonic, and counting on while the computer sleeps, so
// that neither a step of the system clock nor a suspend moves a bid. Only
// intervals of it mean anything (time since a page arrived). A seam, so
// that tests move time without sleeping.
class LocalClock {
 public:
  virtual ~LocalClock() = default;
  virtual std::int64_t NowMicros() const = 0;
  // Whole seconds, rounded down.
  std::int64_t Now() const;
};

// CLOCK_BOOTTIME.
class SystemClock : public LocalClock {
 public:
  std::int64_t NowMicros() const override;
};

// SystemClock's reading, for code that has no clock handed to it.
std::int64_t MonotonicMicros();

constexpr std::int64_t kMicrosPerSecond = 1'000'000;
