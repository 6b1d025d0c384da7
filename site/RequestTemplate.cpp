#include "site/RequestTemplate.h"

#include "bids/Bid.h"
#include "site/Account.h"
#include "store/TextNumbers.h"

#include <boost/regex.hpp>

#include <optional>
#include <stdexcept>

namespace {

std::optional<std::string> AccountValue(const Account* account, const std::string& name) {
  if (name == "USERID") return PercentEncode(account ? account->UserId() : std::string());
  if (name == "PASSWORD") return PercentEncode(account ? account->Password() : std::string());
  return std::nullopt;
}

template <typename ValueOf>
std::string Expand(const std::string& templateText, ValueOf valueOf) {
  static const boost::regex placeholder(R"((.*?)%\[(\u+)\](.*))");
  std::string text = templateText;
  // This ends on every input: an inserted value never holds '%[' (the
  // encoded values have no '[' and their '%' is followed by two hex digits;
  // numbers have neither), so every pass removes one '%[' for good.
  try {
    boost::smatch m;
    while (boost::regex_search(text, m, placeholder)) {
      const std::optional<std::string> value = valueOf(m[2].str());
      if (!value) break;
      text = m[1].str() + *value + m[3].str();
    }
  } catch (const std::runtime_error&) {
    // A search past the library's limits: the text stays as far as expanded.
  }
  return text;
}

}  // namespace

std::string PercentEncode(std::string_view value) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(value.size());
  for (const char c : value) {
    const auto byte = static_cast<unsigned char>(c);
    const bool unreserved = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                            (byte >= '0' && byte <= '9') || byte == '-' || byte == '_' ||
                            byte == '.' || byte == '~';
    if (unreserved) {
      out += c;
    } else {
      out += '%';
      out += kHex[byte >> 4];
      out += kHex[byte & 0x0F];
    }
  }
  return out;
}

std::string ExpandTemplate(const Bid& bid, const std::string& templateText) {
  return Expand(templateText, [&bid](const std::string& name) -> std::optional<std::string> {
    if (name == "ITEM") return std::to_string(bid.Item());
    if (name == "MAXBID") return FormatTwoDecimals(bid.MaxBid());
    if (name == "BIDKEY") return PercentEncode(bid.bidKey);
    return AccountValue(bid.account, name);
  });
}

std::string ExpandAccountTemplate(const Account& account, const std::string& templateText) {
  return Expand(templateText,
                [&account](const std::string& name) { return AccountValue(&account, name); });
}
