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
