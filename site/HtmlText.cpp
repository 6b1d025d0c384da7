#include "site/HtmlText.h"

#include <array>
#include <cstdint>
#include <utility>

namespace {

bool IsUtf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = 0;
    std::uint32_t least = 0;
    if (lead < 0x80) {
      ++i;
      continue;
    } else if ((lead & 0xE0) == 0xC0) {
      length = 2;
      least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      length = 3;
      least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      length = 4;
      least = 0x10000;
    } else {
      return false;
    }
    if (text.size() - i < length) return false;
    std::uint32_t code = lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      code = code << 6 | (next & 0x3F);
    }
    if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
    i += length;
  }
  return true;
}

void AppendUtf8(std::string& out, std::uint32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | code >> 6);
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | code >> 12);
    out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | code >> 18);
    out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
    out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

constexpr std::array<std::pair<std::string_view, std::uint32_t>, 6> kNamed{{
    {"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}, {"nbsp", 0xA0}}};

// The character the reference between '&' and ';' names; 0 for none.
std::uint32_t Named(std::string_view name) {
  if (name.size() >= 2 && name[0] == '#') {
    const bool hex = name[1] == 'x' || name[1] == 'X';
    const std::string_view digits = name.substr(hex ? 2 : 1);
    if (digits.empty() || digits.size() > 8) return 0;
    std::uint32_t code = 0;
    for (const char c : digits) {
      std::uint32_t digit;
      if (c >= '0' && c <= '9') {
        digit = static_cast<std::uint32_t>(c - '0');
      } else if (hex && c >= 'a' && c <= 'f') {
        digit = static_cast<std::uint32_t>(c - 'a' + 10);
      } else if (hex && c >= 'A' && c <= 'F') {
        digit = static_cast<std::uint32_t>(c - 'A' + 10);
      } else {
        return 0;
      }
      code = code * (hex ? 16 : 10) + digit;
    }
    if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    return code;
  }
  for (const auto& [known, code] : kNamed) {
    if (name == known) return code;
  }
  return 0;
}

}  // namespace

std::string DecodeCharacterReferences(std::string_view value) {
  if (value.find('&') == std::string_view::npos) return std::string(value);
  const bool utf8 = IsUtf8(value);
  std::string out;
  out.reserve(value.size());
  std::size_t i = 0;
  while (i < value.size()) {
    const std::size_t amp = value.find('&', i);
    if (amp == std::string_view::npos) break;
    out.append(value.substr(i, amp - i));
    i = amp;
    // Names are short: a ';' far away belongs to something else.
    const std::size_t semicolon = value.substr(amp, 12).find(';');
    const std::uint32_t code =
        semicolon == std::string_view::npos ? 0 : Named(value.substr(amp + 1, semicolon - 1));
    if (code == 0 || (!utf8 && code > 0xFF)) {
      out += '&';
      ++i;
      continue;
    }
    if (utf8) {
      AppendUtf8(out, code);
    } else {
      out += static_cast<char>(code);
    }
    i = amp + semicolon + 1;
  }
  out.append(value.substr(i));
  return out;
}
