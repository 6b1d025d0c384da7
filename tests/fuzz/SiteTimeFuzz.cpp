// Any text: a stamp is read or refused, never a crash or an overflow; the
// same text always gives the same value.
#include "net/SiteTimeParser.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static SiteTimeParser parser;
  const std::string text(reinterpret_cast<const char*>(data), size);
  parser.SetTimeOffset(size % 25 - 12);
  SiteTime first = 0, second = 0;
  const bool ok = parser.ParseSiteTime(text, first);
  if (ok != parser.ParseSiteTime(text, second) || (ok && first != second)) std::abort();
  return 0;
}
