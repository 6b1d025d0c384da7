#include "app/BidNotice.h"

namespace {

// "price US $12.00, high bidder rival" -> "US $12.00"
std::string Price(const std::string& details) {
  const std::string mark = "price ";
  const std::size_t at = details.find(mark);
  if (at == std::string::npos) return details;
  const std::size_t from = at + mark.size();
  const std::size_t to = details.find(", high bidder", from);
  return details.substr(from, to == std::string::npos ? std::string::npos : to - from);
}

}  // namespace

std::string BidNotice::NameOf(const std::string& title, std::uint32_t item) {
  const std::string number = "item " + std::to_string(item);
  return title.empty() ? number : title + " (" + number + ")";
}

std::optional<BidNotice> BidNotice::For(const BidEvent& event, const std::string& name) {
  using K = BidEvent::Kind;
  switch (event.kind) {
    case K::Placed: {
      // "20.00, the commit arrived 1.8 s before the end"
      const std::size_t comma = event.details.find(", ");
      const std::string amount = event.details.substr(0, comma);
      std::string text = "Bid of " + amount + " placed on " + name;
      if (comma != std::string::npos) text += "; " + event.details.substr(comma + 2);
      return BidNotice{"Bid placed", text + ".", Kind::Info};
    }
    case K::Won:
      return BidNotice{"Auction won", name + " is yours at " + Price(event.details) + ".", Kind::Info};
    case K::Lost:
      return BidNotice{"Auction lost", name + " ended with another high bidder, at " + Price(event.details) + ".",
                       Kind::Info};
    case K::Failed:
      return BidNotice{"Bid not placed", name + ": " + event.details, Kind::Error};
    case K::Warning:
    {
      // A reason may carry an error text that has its own full stop.
      const bool stopped = !event.details.empty() && event.details.back() == '.';
      return BidNotice{"Bid may fail", name + ": " + event.details + (stopped ? "" : ".") +
                                           " It still goes unless you change it.",
                       Kind::Warning};
    }
    default:
      return std::nullopt;
  }
}
