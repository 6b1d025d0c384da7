#pragma once

#include <cstdint>

// The local clock in whole seconds since 1970. Only intervals of it are
// used (seconds since a page read), so its setting does not matter; a seam
// so that tests move time without sleeping.
class LocalClock {
 public:
  virtual ~LocalClock() = default;
  virtual std::int64_t Now() const = 0;
};

class SystemClock : public LocalClock {
 public:
  std::int64_t Now() const override;
};
