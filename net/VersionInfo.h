#pragma once

#include <string>

// The program's version as its executable carries it: four numbers and a
// special-build text, embedded at build time (see app/VersionData.cpp.in).
struct VersionInfo {
  int major = 0;
  int minor = 0;
  int build = 0;
  int revision = 0;
  std::string specialBuild;

  std::string VersionText() const;  // "1.0.16.150"
  double DisplayNumber() const;     // (minor * 100 + build) * 0.01: 1.0.16.150 gives 0.16
  // 0: the text holds no version; 1: ours is newer; 2: the same; 3: the
  // text's is newer. The first "a.b.c.d" in the text counts.
  int CompareWithText(const std::string& text) const;
};

// From the file's embedded version data; 0.0.0.0 and no text when it has none.
VersionInfo ReadVersionInfo(const std::string& path);

// The marker that opens the embedded data, put together at run time so that
// the reader's own copy of it is not found in the file.
std::string VersionDataMarker();
