#pragma once

#include <string>

// The full path of the running executable, links resolved; empty if the
// platform cannot tell.
std::string ExecutablePath();
