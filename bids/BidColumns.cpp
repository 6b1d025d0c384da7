#include "bids/BidColumns.h"

#include "bids/Bid.h"
#include "store/TextNumbers.h"

#include <array>
#include <cctype>
#include <cstdio>
#include <string_view>

namespace BidColumns {

namespace {

// Three widths are wider than the classic layout's 18, 75 and 70, so that
// the icon, ten digits and a price fit in this desktop's default font.
constexpr std::array<Column, kCount> kColumns = {{{"", 26, false},
                                                  {"Item #", 92, false},
                                                  {"Item name", 250, false},
                                                  {"Cur bid", 82, false},
                                                  {"Max bid", 60, false},
                                                  {"Status", 70, false},
                                                  {"Time left", 80, true},
                                                  {"Margin", 45, false},
                                                  {"Note", 200, false},
                                                  {"Group", 80, false}}};

// A-Z folded to a-z only: the same order on every locale.
int CompareFolded(std::string_view a, std::string_view b) {
  const auto fold = [](char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a')
                                  : static_cast<unsigned char>(c);
  };
  for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) {
    if (fold(a[i]) != fold(b[i])) return fold(a[i]) < fold(b[i]) ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

template <typename T>
int Compare(T a, T b) {
  return a < b ? -1 : (b < a ? 1 : 0);
}

}  // namespace

const Column& At(int column) { return kColumns.at(static_cast<std::size_t>(column)); }

std::string TimeLeftText(const Bid& bid) {
  if (bid.status != BidStatus::Watching && bid.status != BidStatus::BidPlaced) return {};
  const long long s = bid.secondsLeft;
  if (s < 1) return "Ended";
  char text[48];
  const long long days = s / 86400, hours = (s / 3600) % 24, minutes = (s / 60) % 60, seconds = s % 60;
  if (days >= 1) {
    std::snprintf(text, sizeof text, "%lldd %.2lld:%.2lld:%.2lld", days, hours, minutes, seconds);
  } else {
    std::snprintf(text, sizeof text, "%.2lld:%.2lld:%.2lld", hours, minutes, seconds);
  }
  return text;
}

std::string CellText(const Bid& bid, int column) {
  switch (column) {
    case 1: return std::to_string(bid.Item());
    case 2: return bid.title;
    case 3: return bid.currentBid;
    case 4: return FormatTwoDecimals(bid.MaxBid());
    case 5: return StatusText(bid.status);
    case 6: return TimeLeftText(bid);
    case 7: return std::to_string(bid.Margin()) + "s";
    case kNote: return bid.note;
    case kGroup: return bid.group;
    default: return {};
  }
}

int RowIcon(const Bid& bid) {
  if (!bid.dataFresh) return 6;
  switch (bid.status) {
    case BidStatus::Invalid: return 1;
    case BidStatus::Won: return 2;
    case BidStatus::Ended: return 3;
    case BidStatus::Watching: return 4;
    case BidStatus::BidPlaced:
    case BidStatus::AwaitingResult: return 5;
    case BidStatus::Cancelled: return 8;
    case BidStatus::Unknown: break;
  }
  return 0;
}

int CellIcon(const Bid& bid, int column) { return column == kNote && !bid.note.empty() ? 1 : -1; }

bool GoesBefore(const Bid& a, const Bid& b, int column, bool descending) {
  int order = 0;
  switch (column) {
    case 0:
    case 5:
      order = Compare(static_cast<std::int32_t>(a.status), static_cast<std::int32_t>(b.status));
      break;
    case 1: order = Compare(a.Item(), b.Item()); break;
    case 2: order = CompareFolded(a.title, b.title); break;
    case 3: order = CompareFolded(a.currentBid, b.currentBid); break;
    case 4: order = Compare(a.MaxBid(), b.MaxBid()); break;
    case 6: order = Compare(a.secondsLeft, b.secondsLeft); break;
    case 7: order = Compare(a.Margin(), b.Margin()); break;
    case kNote: order = CompareFolded(a.note, b.note); break;
    case kGroup: order = CompareFolded(a.group, b.group); break;
    default: return false;
  }
  return descending ? order > 0 : order < 0;
}

}  // namespace BidColumns
