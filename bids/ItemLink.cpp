#include "bids/ItemLink.h"

#include "store/TextNumbers.h"

#include <boost/regex.hpp>

#include <stdexcept>

std::optional<std::uint32_t> ItemFromDroppedText(const std::string& text) {
  static const boost::regex link(R"(ViewItem(.*?)&item=(\d+))");
  boost::smatch match;
  try {
    if (!boost::regex_search(text, match, link)) return std::nullopt;
  } catch (const std::runtime_error&) {
    return std::nullopt;  // a text past the library's limits holds no link we trust
  }
  return ReadUnsigned32(match[2].str());  // digits modulo 2^32, as typed into the dialog
}
