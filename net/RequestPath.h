#pragma once

#include <string>
#include <string_view>

// The request target for a path as the profile and the values give it
// (query included): only the bytes a request line cannot carry are
// percent-encoded, so that nothing in it is taken for a fragment mark or a
// separator, and no URL parser cuts or refuses it: '#', the space and
// other control bytes, and every byte beyond ASCII. Everything else,
// '%' included, is sent as it is.
std::string RequestPath(std::string_view path);
