#pragma once

#include <string>

// Keeps a file that the program cannot use beside it under a name of its
// own: path + ".bad", or ".bad.2", ".bad.3"... when those are taken, so that
// no earlier copy is ever written over. The bytes are copied when the file
// can be read; otherwise the file itself is renamed (which needs no read
// permission). Gives the name it was kept under, or "" when neither worked.
std::string SetFileAside(const std::string& path);
