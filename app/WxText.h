#pragma once

#include <wx/string.h>

#include <string>

// The logic's texts are bytes as the site sent them, in no known encoding.
// Shown as UTF-8 when they are, else as Latin-1 (every byte a character),
// so that no page ever shows as nothing.
inline wxString FromSite(const std::string& bytes) {
  wxString text = wxString::FromUTF8(bytes.data(), bytes.size());
  if (text.empty() && !bytes.empty()) text = wxString(bytes.data(), wxConvISO8859_1, bytes.size());
  return text;
}

// What the user typed, as bytes for the logic and the files.
inline std::string ToBytes(const wxString& text) {
  const wxScopedCharBuffer utf8 = text.utf8_str();
  return std::string(utf8.data(), utf8.length());
}

// Bytes shown whole, whatever they are (binary, UTF-16, compressed): as
// FromSite, with every character a text control cannot show replaced by
// a visible one, so that no byte is dropped and no text refused. Control
// bytes other than tab and line ends show as their pictures (U+2400 +
// code, U+2421 for DEL), Latin-1's C1 controls as U+FFFD.
inline wxString VisibleText(const std::string& bytes) {
  const wxString text = FromSite(bytes);
  wxString shown;
  shown.reserve(text.length());
  for (const wxUniChar c : text) {
    const wxUniChar::value_type code = c.GetValue();
    if (code < 0x20 && code != '\t' && code != '\n' && code != '\r') {
      shown += wxUniChar(0x2400 + code);
    } else if (code == 0x7F) {
      shown += wxUniChar(0x2421);
    } else if (code >= 0x80 && code < 0xA0) {
      shown += wxUniChar(0xFFFD);
    } else {
      shown += c;
    }
  }
  return shown;
}
