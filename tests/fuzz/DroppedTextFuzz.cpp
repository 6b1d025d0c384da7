// Any dropped text: a link is found or not, never a crash.
#include "bids/ItemLink.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  (void)ItemFromDroppedText(std::string(reinterpret_cast<const char*>(data), size));
  return 0;
}
