#include "bids/BidOptions.h"

#include "bids/Bid.h"
#include "store/TextNumbers.h"

#include <cctype>
#include <charconv>
#include <limits>

namespace BidOptions {

namespace {
std::size_t SkipBlanks(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  return i;
}
}  // namespace

float ReadMaxBid(const std::string& text) {
  std::size_t i = SkipBlanks(text);
  if (i < text.size() && text[i] == '+' && i + 1 < text.size() && text[i + 1] != '-') ++i;
  float value = 0;
  const char* end = text.data() + text.size();
  const auto result = std::from_chars(text.data() + i, end, value);
  if (result.ec != std::errc() || result.ptr == text.data() + i || result.ptr != end) return -1.0f;
  return value;
}

int ReadMargin(const std::string& text) {
  std::size_t i = SkipBlanks(text);
  const bool negative = i < text.size() && text[i] == '-';
  if (negative) ++i;
  if (i == text.size()) return 0;
  long long value = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return 0;
    value = value * 10 + (text[i] - '0');
    if (value > std::numeric_limits<int>::max()) return 0;
  }
  return static_cast<int>(negative ? -value : value);
}

const char* Check(const std::string& item, const std::string& maxBid, const std::string& margin,
                  Bid& bid) {
  if (!bid.SetItem(ReadUnsigned32(item.substr(0, 255)))) return kIllegalItem;
  if (!bid.SetMaxBid(ReadMaxBid(maxBid))) return kIllegalMaxBid;
  if (!bid.SetMargin(ReadMargin(margin))) return kIllegalMargin;
  return nullptr;
}

std::string GroupName(const std::string& typed) {
  std::string name;
  for (const char c : typed) name += static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? ' ' : c;
  const std::size_t first = name.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return name.substr(first, name.find_last_not_of(' ') - first + 1);
}

}  // namespace BidOptions
