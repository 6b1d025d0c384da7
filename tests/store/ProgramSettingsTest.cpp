#include "store/ProgramSettings.h"

#include "store/XmlDocument.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

TEST(ProgramSettings, WrittenGroupsReadBackInTheExactLayout) {
  ProgramSettings s;
  s.loadAutomatically = false;
  s.checkUpdates = false;
  s.timeOffset = -5;
  s.windowRect = {-10, 20, 1300, 900};
  s.showState = 3;
  s.placementFlags = 2;
  s.toolbarVisible = false;
  XmlDocument document;
  document.AddElement("quorrel");
  WriteSettings(document, s);
  EXPECT_EQ(document.Text(),
            "<quorrel>\r\n<options>\r\n<load_automatically>false</load_automatically>\r\n"
            "<minimize_tray>true</minimize_tray>\r\n<check_updates>false</check_updates>\r\n"
            "<time_offset>-5</time_offset>\r\n</options>\r\n<UI>\r\n<window>\r\n"
            "<pos>-10, 20, 1300, 900</pos>\r\n<state>3</state>\r\n<flags>2</flags>\r\n</window>\r\n"
            "<statusbar>true</statusbar>\r\n<toolbar>false</toolbar>\r\n</UI>\r\n</quorrel>\r\n");

  XmlDocument reread;
  ASSERT_TRUE(reread.SetText(document.Text()));
  ASSERT_TRUE(reread.FindElement("quorrel"));
  ProgramSettings loaded;
  ASSERT_TRUE(ReadSettings(reread, loaded));
  EXPECT_FALSE(loaded.loadAutomatically);
  EXPECT_TRUE(loaded.minimizeToTray);
  EXPECT_FALSE(loaded.checkUpdates);
  EXPECT_EQ(loaded.timeOffset, -5);
  EXPECT_EQ(loaded.windowRect, s.windowRect);
  EXPECT_EQ(loaded.showState, 3);
  EXPECT_EQ(loaded.placementFlags, 2);
  EXPECT_FALSE(loaded.toolbarVisible);
  EXPECT_TRUE(loaded.statusBarVisible);
}

struct ReadCase {
  const char* label;
  std::string content;  // inside <quorrel>
  bool ok;
  std::function<bool(const ProgramSettings&)> holds;
};

class ReadingRules : public testing::TestWithParam<ReadCase> {};

TEST_P(ReadingRules, Apply) {
  XmlDocument document;
  ASSERT_TRUE(document.SetText("<quorrel>" + GetParam().content + "</quorrel>"));
  ASSERT_TRUE(document.FindElement("quorrel"));
  ProgramSettings s;
  EXPECT_EQ(ReadSettings(document, s), GetParam().ok);
  EXPECT_TRUE(GetParam().holds(s));
}

const std::string kOptions = "<options/>";

INSTANTIATE_TEST_SUITE_P(
    Files, ReadingRules,
    testing::Values(
        ReadCase{"only_exact_true",
                 "<options><load_automatically>True</load_automatically><minimize_tray> true"
                 "</minimize_tray><check_updates>true</check_updates></options>"
                 "<UI><toolbar>TRUE</toolbar><statusbar>false</statusbar></UI>",
                 true,
                 [](const ProgramSettings& s) {
                   return !s.loadAutomatically && !s.minimizeToTray && s.checkUpdates &&
                          !s.toolbarVisible && !s.statusBarVisible;
                 }},
        ReadCase{"pos_without_blanks", kOptions + "<UI><window><pos>10,20,300,400</pos></window></UI>", true,
                 [](const ProgramSettings& s) { return s.windowRect == std::array<int, 4>{10, 20, 300, 400}; }},
        ReadCase{"pos_two_numbers", kOptions + "<UI><window><pos>10, 20</pos></window></UI>", true,
                 [](const ProgramSettings& s) { return s.windowRect == std::array<int, 4>{10, 20, 750, 350}; }},
        ReadCase{"pos_spaced", kOptions + "<UI><window><pos> 1 ,2, \t3,  4</pos></window></UI>", true,
                 [](const ProgramSettings& s) { return s.windowRect == std::array<int, 4>{1, 100, 750, 350}; }},
        ReadCase{"lenient_numbers", "<options><time_offset> -5h</time_offset></options>"
                                    "<UI><window><state>2x</state><flags></flags></window></UI>",
                 true,
                 [](const ProgramSettings& s) {
                   return s.timeOffset == -5 && s.showState == 2 && s.placementFlags == 0;
                 }},
        ReadCase{"missing_options_still_reads_ui",
                 "<UI><window><state>3</state></window><toolbar>false</toolbar></UI>", false,
                 [](const ProgramSettings& s) { return s.showState == 3 && !s.toolbarVisible; }},
        ReadCase{"missing_ui_still_reads_options",
                 "<options><check_updates>false</check_updates></options>", false,
                 [](const ProgramSettings& s) { return !s.checkUpdates && s.toolbarVisible; }}),
    [](const testing::TestParamInfo<ReadCase>& info) { return info.param.label; });

}  // namespace
