#include "store/TextNumbers.h"

#include <charconv>
#include <cctype>

namespace {

std::size_t SkipSpace(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  return i;
}

}  // namespace

std::uint32_t ReadUnsigned32(std::string_view text) {
  std::size_t i = SkipSpace(text);
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  std::uint32_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10u + static_cast<std::uint32_t>(text[i] - '0');
  }
  return negative ? 0u - value : value;
}

std::int32_t ReadSigned32(std::string_view text) {
  return static_cast<std::int32_t>(ReadUnsigned32(text));
}

bool ScanFloat(std::string_view text, float& value) {
  std::size_t i = SkipSpace(text);
  if (i < text.size() && text[i] == '+') {
    ++i;
    if (i < text.size() && text[i] == '-') return false;  // one sign only
  }
  const char* begin = text.data() + i;
  const auto result = std::from_chars(begin, text.data() + text.size(), value);
  return result.ec == std::errc() && result.ptr != begin;
}

std::string FormatTwoDecimals(double value) {
  char buffer[400];  // the largest double in fixed notation fits
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 2);
  return std::string(buffer, result.ptr);
}
