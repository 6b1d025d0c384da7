#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Numbers as the program's files and the site's pages write them, read
// leniently and written the same whatever the locale.

// Leading white space, an optional sign, digits up to the first other
// character; no digits gives 0. Taken modulo 2^32 (a minus sign negates
// modulo 2^32), so that it never overflows.
std::uint32_t ReadUnsigned32(std::string_view text);
// The same, read as a two's complement signed value.
std::int32_t ReadSigned32(std::string_view text);

// Leading white space, then a decimal number with an optional sign; text
// after it is ignored. False when no number is there.
bool ScanFloat(std::string_view text, float& value);

// Two decimals, a point, no thousands separator: "12.50".
std::string FormatTwoDecimals(double value);
