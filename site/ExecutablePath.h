#pragma once

#include <string>

// The full path of the running executable, links resolved; empty if the
// platform cannot tell. When the running file was replaced in place (an
// upgrade), the path it was started from, which now holds its successor.
std::string ExecutablePath();

// The same from the kernel's name for the running file, which marks a
// file replaced or removed since the start with " (deleted)".
std::string ExecutableFromLink(const std::string& link);
