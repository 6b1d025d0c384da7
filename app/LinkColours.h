#pragma once

#include <optional>
#include <string>

struct Rgb {
  unsigned char red = 0, green = 0, blue = 0;
  bool operator==(const Rgb&) const = default;
};

// The browser's link colours: blue and purple unless the desktop says
// otherwise. This platform keeps no such setting, so the defaults apply.
struct LinkColours {
  Rgb link{0, 0, 255};
  Rgb visited{128, 0, 128};
};
LinkColours ReadLinkColours();

// "R,G,B": three decimal numbers from 0 to 255 separated by commas; any
// other text gives nothing, and the default stays.
std::optional<Rgb> ParseRgbText(const std::string& text);
