#pragma once

#include "bids/Bid.h"
#include "site/Account.h"

#include <cstdint>
#include <optional>
#include <vector>

// What the windows show: a copy of the engine's bid list, made after each
// change. Each bid's account points at the snapshot's own copy.
struct EngineSnapshot {
  EngineSnapshot() = default;
  EngineSnapshot(const EngineSnapshot&) = delete;
  EngineSnapshot& operator=(const EngineSnapshot&) = delete;

  std::vector<Bid> rows;  // display order
  Account account;
  std::int32_t defaultMargin = 20;
  std::uint64_t revision = 0;  // grows with every snapshot

  // Bids whose moment is near, or whose end has not been read yet: the
  // computer must stay awake for them. Times on the local clock
  // (monotonic, microseconds).
  struct Due {
    std::uint32_t item = 0;    // the next bid to go
    std::int64_t moment = 0;   // when it goes
    std::int64_t until = 0;    // the last of their ends, with time for the final read
  };
  std::optional<Due> due;

  const Bid* FindBidById(std::uint32_t id) const {
    for (const Bid& bid : rows) {
      if (bid.Id() == id) return &bid;
    }
    return nullptr;
  }
};
