#include "app/LinkColours.h"

#include <charconv>

LinkColours ReadLinkColours() {
  // Where a desktop stores "Anchor Color" texts, each would go through
  // ParseRgbText here; this one stores none.
  return LinkColours{};
}

std::optional<Rgb> ParseRgbText(const std::string& text) {
  unsigned values[3];
  const char* p = text.data();
  const char* end = text.data() + text.size();
  for (int i = 0; i < 3; ++i) {
    if (i > 0) {
      if (p == end || *p != ',') return std::nullopt;
      ++p;
    }
    const auto result = std::from_chars(p, end, values[i]);
    if (result.ec != std::errc() || values[i] > 255) return std::nullopt;
    p = result.ptr;
  }
  if (p != end) return std::nullopt;
  return Rgb{static_cast<unsigned char>(values[0]), static_cast<unsigned char>(values[1]),
             static_cast<unsigned char>(values[2])};
}
