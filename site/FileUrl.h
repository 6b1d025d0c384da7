#pragma once

#include <string>
#include <string_view>

// The "file://" URL of a local path. Every byte but letters, digits,
// "-._~" and the '/' separators is percent-encoded, so that a folder
// name holding a space, '#', '%' or bytes that are not UTF-8 still gives
// a link to the file it names.
std::string FileUrl(std::string_view path);
