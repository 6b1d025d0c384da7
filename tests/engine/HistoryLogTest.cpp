#include "engine/HistoryLog.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <sys/stat.h>

namespace {

BidEvent Event(std::uint32_t item, BidEvent::Kind kind, std::string details) {
  BidEvent event;
  event.item = item;
  event.kind = kind;
  event.details = std::move(details);
  event.localTime = 1'700'000'000'123'000;
  return event;
}

unsigned Mode(const std::string& path) {
  struct stat status{};
  return ::stat(path.c_str(), &status) == 0 ? status.st_mode & 0777 : 0;
}

// One line per event, whatever its details hold; the site's time only once
// it is estimated.
TEST(HistoryLog, OneLineEachWithTheFieldsApart) {
  BidEvent event = Event(42, BidEvent::Kind::SetupFailed, "attempt 1: Can't send\nError:\t12029\r");
  const std::string line = HistoryLog::Format(event);
  EXPECT_EQ(line.substr(line.find('\t')), "\t-\t42\tSetup failed\tattempt 1: Can't send Error: 12029 \n");
  EXPECT_EQ(line.find('\t'), 23u) << "2023-11-14 22:13:20.123 in some zone: " << line;
  EXPECT_EQ(line.substr(19, 4), ".123");
  event.siteTime = event.localTime + 1'500'000;
  const std::string site = HistoryLog::Format(event);
  EXPECT_EQ(site.substr(24, 13).size(), 13u);
  EXPECT_EQ(site.substr(32, 5), ".623\t") << site;
}

// Appended, never rewritten; at the limit the file becomes the old one (the
// one before it is dropped), and both are the user's alone. The lines of an
// item come back oldest first across both files, another item's not.
TEST(HistoryLog, RotatesAtItsLimitKeepingOneOldFile) {
  TempFolder folder;
  const std::string path = folder.PathOf(HistoryLog::kFileName);
  folder.Write(HistoryLog::kFileName, "2024-01-01 00:00:00.000\t-\t7\tAdded\tbefore\n");
  ::chmod(path.c_str(), 0644);
  HistoryLog log(path);
  const std::string details(90, 'x');
  // Every line below is this long.
  const std::size_t lineSize = HistoryLog::Format(Event(7, BidEvent::Kind::Read, details + "100000")).size();
  const std::size_t perFile = HistoryLog::kRotateAt / lineSize;
  int written = 0;
  for (std::size_t i = 0; i < 2 * perFile + 5; ++i) {
    ASSERT_TRUE(log.Append(Event(i % 2 ? 7 : 8, BidEvent::Kind::Read, details + std::to_string(100000 + i))));
    ++written;
  }
  const std::string old = HistoryLog::OldPath(path);
  EXPECT_LE(std::filesystem::file_size(old), static_cast<std::uintmax_t>(HistoryLog::kRotateAt));
  EXPECT_GT(std::filesystem::file_size(old), static_cast<std::uintmax_t>(HistoryLog::kRotateAt) - lineSize);
  EXPECT_FALSE(std::filesystem::exists(path + ".2"));
  EXPECT_EQ(Mode(path), 0600u);
  EXPECT_EQ(Mode(old), 0600u);

  const auto lines = HistoryLog::LinesOf(path, 7);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back().details, details + std::to_string(100000 + written - 2))
      << "the newest is last";
  EXPECT_NE(lines.front().details, "before") << "the first file was dropped at the second rotation";
  for (std::size_t i = 1; i < lines.size(); ++i) {
    ASSERT_LT(lines[i - 1].details, lines[i].details) << "oldest first, across both files";
    ASSERT_EQ(lines[i].item, "7");
  }
  const double kept = static_cast<double>(std::filesystem::file_size(old) + std::filesystem::file_size(path)) / lineSize;
  EXPECT_NEAR(static_cast<double>(lines.size()), kept / 2, 1.0) << "every line of item 7 in the two files";
}

}  // namespace
