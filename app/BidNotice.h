#pragma once

#include "engine/BidEvent.h"

#include <optional>
#include <string>

// What a desktop notification says of a step of a bid: placed, won, lost,
// failed, or a warning of the check before the moment. Other steps say
// nothing.
struct BidNotice {
  enum class Kind { Info, Warning, Error };
  std::string title;
  std::string text;
  Kind kind = Kind::Info;

  // `name`: how the bid is called, its title and item ("Pocket watch
  // (item 1234)").
  static std::optional<BidNotice> For(const BidEvent& event, const std::string& name);
  static std::string NameOf(const std::string& title, std::uint32_t item);
};
