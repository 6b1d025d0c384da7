#include "bids/SettingsExtras.h"

#include "bids/ListLayout.h"
#include "store/ProgramSettings.h"
#include "store/XmlDocument.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// quorrel.xml as the program writes it, with or without the later group.
std::string SettingsFile(const ProgramSettings& settings, const ListLayout& layout, bool extras) {
  XmlDocument document;
  document.AddElement("quorrel");
  WriteSettings(document, settings);
  WriteListLayout(document, layout);
  if (extras) WriteSettingsExtras(document, settings, layout);
  return document.Text();
}

struct Read {
  ProgramSettings settings;
  ListLayout layout;
  bool classic = false;
  bool extras = false;
};

// As the program reads it; `older`: as a copy that knows only the classic
// groups does.
Read ReadFile(const std::string& text, bool older) {
  Read read;
  XmlDocument document;
  EXPECT_TRUE(document.SetText(text));
  EXPECT_TRUE(document.FindElement("quorrel"));
  read.classic = ReadSettings(document, read.settings) && ReadListLayout(document, read.layout);
  if (!older) read.extras = ReadSettingsExtras(document, read.settings, read.layout);
  return read;
}

// The later group comes after every classic line, which stay byte for byte
// as they were; it reads back; a copy of the program that knows only the
// classic groups reads the same from it as from a classic file.
TEST(SettingsExtras, ClassicLinesStayAndTheGroupReadsBack) {
  ProgramSettings settings;
  settings.checkUpdates = false;
  settings.timeOffset = 2;
  settings.keepAwake = false;
  ListLayout layout;
  layout.widths = {20, 80, 300, 71, 61, 72, 90, 50, 210, 65};
  layout.sortColumn = BidColumns::kGroup;

  const std::string classic = SettingsFile(settings, layout, false);
  const std::string full = SettingsFile(settings, layout, true);
  const std::string end = "</quorrel>\r\n";
  ASSERT_EQ(full.compare(0, classic.size() - end.size(), classic, 0, classic.size() - end.size()), 0);
  EXPECT_EQ(full.substr(classic.size() - end.size()),
            "<extras>\r\n<keep_awake>false</keep_awake>\r\n<notifications>true</notifications>\r\n"
            "<columns>\r\n<column>210</column>\r\n<column>65</column>\r\n</columns>\r\n</extras>\r\n"
            "</quorrel>\r\n");

  const Read now = ReadFile(full, false);
  EXPECT_TRUE(now.classic);
  EXPECT_TRUE(now.extras);
  EXPECT_FALSE(now.settings.keepAwake);
  EXPECT_TRUE(now.settings.notifications);
  EXPECT_FALSE(now.settings.checkUpdates);
  EXPECT_EQ(now.layout.widths, layout.widths);
  EXPECT_EQ(now.layout.sortColumn, BidColumns::kGroup);

  const Read older = ReadFile(full, true);
  const Read olderOfClassic = ReadFile(classic, true);
  EXPECT_TRUE(older.classic);
  EXPECT_EQ(older.layout.widths, olderOfClassic.layout.widths) << "the group's columns stay its own";
  EXPECT_EQ(older.settings.timeOffset, 2);
  EXPECT_EQ(older.layout.widths[BidColumns::kNote], ListLayout().widths[BidColumns::kNote]);
}

// A file of before the group: the defaults, the classic part as it was.
TEST(SettingsExtras, FileWithoutTheGroupGivesTheDefaults) {
  ProgramSettings settings;
  settings.minimizeToTray = false;
  ListLayout layout;
  layout.widths[1] = 99;
  const Read read = ReadFile(SettingsFile(settings, layout, false), false);
  EXPECT_TRUE(read.classic);
  EXPECT_FALSE(read.extras);
  EXPECT_TRUE(read.settings.keepAwake);
  EXPECT_TRUE(read.settings.notifications);
  EXPECT_FALSE(read.settings.minimizeToTray);
  EXPECT_EQ(read.layout.widths[1], 99);
  EXPECT_EQ(read.layout.widths[BidColumns::kNote], BidColumns::At(BidColumns::kNote).width);
  EXPECT_EQ(read.layout.widths[BidColumns::kGroup], BidColumns::At(BidColumns::kGroup).width);
}

}  // namespace
