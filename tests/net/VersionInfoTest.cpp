#include "net/VersionInfo.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace {

VersionInfo Version(int major, int minor, int build, int revision) {
  VersionInfo v;
  v.major = major;
  v.minor = minor;
  v.build = build;
  v.revision = revision;
  return v;
}

TEST(VersionInfo, TextAndDisplayNumber) {
  const VersionInfo v = Version(1, 0, 16, 150);
  EXPECT_EQ(v.VersionText(), "1.0.16.150");
  EXPECT_DOUBLE_EQ(v.DisplayNumber(), 0.16);
  EXPECT_DOUBLE_EQ(Version(0, 2, 5, 0).DisplayNumber(), 2.05);
}

TEST(VersionInfo, CompareWithText) {
  struct Case {
    VersionInfo own;
    const char* text;
    int result;
  };
  for (const Case& c : {Case{Version(1, 0, 16, 150), "1.0.16.150", 2},
                        Case{Version(1, 0, 16, 150), "1.0.17.0", 3},
                        Case{Version(1, 0, 16, 150), "0.9.99.999", 1},
                        Case{Version(1, 0, 16, 150), "2.0.0.0", 3},
                        Case{Version(2, 0, 0, 0), "1.5.0.0", 1},
                        Case{Version(1, 0, 16, 150), "latest=1.0.17.160 (Dec 2003)", 3},
                        Case{Version(1, 0, 16, 150), "1.0.16.150 then 9.9.9.9", 2},
                        Case{Version(1, 0, 16, 150), "1.0.16", 0},
                        Case{Version(1, 0, 16, 150), "<html>404</html>", 0},
                        Case{Version(0, 0, 0, 0), "0.0.0.1", 3},
                        Case{Version(1, 0, 0, 0), "99999999999999.0.0.0", 3}}) {
    EXPECT_EQ(c.own.CompareWithText(c.text), c.result) << c.text;
  }
}

// The version is data in the file; a file without it is 0.0.0.0.
TEST(VersionInfo, ReadFromTheFile) {
  TempFolder folder;
  const std::string data = std::string("\x7f" "ELF...") + VersionDataMarker() + "1.2.3.4\x02" "Beta 2\x03" + "...";
  const VersionInfo v = ReadVersionInfo(folder.Write("program", data));
  EXPECT_EQ(v.VersionText(), "1.2.3.4");
  EXPECT_EQ(v.specialBuild, "Beta 2");

  for (const std::string& bad : {std::string("no version here"), VersionDataMarker() + "1.2.3\x02x\x03",
                                 VersionDataMarker() + "1.2.3.4"}) {
    const VersionInfo none = ReadVersionInfo(folder.Write("other", bad));
    EXPECT_EQ(none.VersionText(), "0.0.0.0");
    EXPECT_EQ(none.specialBuild, "");
  }
  EXPECT_EQ(ReadVersionInfo(folder.PathOf("missing")).VersionText(), "0.0.0.0");
}

}  // namespace
