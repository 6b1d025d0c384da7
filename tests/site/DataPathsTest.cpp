#include "site/DataPaths.h"
#include "site/FileUrl.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

struct PathCase {
  const char* executable;
  const char* folder;
  const char* logs;
  const char* fileName;
};

class DataPathsOf : public testing::TestWithParam<PathCase> {};

TEST_P(DataPathsOf, SplitsTheExecutablePath) {
  const PathCase& c = GetParam();
  const DataPaths paths(c.executable);
  EXPECT_EQ(paths.ProgramFolder(), c.folder);
  EXPECT_EQ(paths.LogsFolder(), c.logs);
  EXPECT_EQ(paths.ProgramFileName(), c.fileName) << "the real name, no extension forced";
  EXPECT_EQ(paths.PathOf(DataPaths::BidsFileName), std::string(c.folder) + "bids.xml");
}

INSTANTIATE_TEST_SUITE_P(
    Executables, DataPathsOf,
    testing::Values(PathCase{"/opt/quorrel/quorrel", "/opt/quorrel/", "/opt/quorrel/logs/", "quorrel"},
                    PathCase{"/opt/q/quorrel.bin", "/opt/q/", "/opt/q/logs/", "quorrel.bin"},
                    PathCase{"/quorrel", "/", "/logs/", "quorrel"},
                    PathCase{"", "", "logs/", ""}));

TEST(DataPaths, RunningProgramIsThisTestBinary) {
  const DataPaths paths = DataPaths::ForRunningProgram();
  EXPECT_EQ(paths.ProgramFileName(), "site_tests");
  EXPECT_TRUE(std::filesystem::exists(paths.ProgramFolder() + "site_tests"));
}

// Creating the logs folder never fails loudly: it may exist already, or a
// file may stand in its way.
TEST(DataPaths, CreateLogsFolderIgnoresErrors) {
  TempFolder folder;
  const DataPaths paths(folder.PathOf("quorrel"));
  paths.CreateLogsFolder();
  paths.CreateLogsFolder();
  EXPECT_TRUE(std::filesystem::is_directory(paths.LogsFolder()));

  TempFolder blocked;
  blocked.Write("logs", "a file, not a folder");
  DataPaths(blocked.PathOf("quorrel")).CreateLogsFolder();
  EXPECT_FALSE(std::filesystem::is_directory(blocked.PathOf("logs")));
}

// The Failed link's URL names the file whatever the folder is called: a
// space, '#', '%' or a byte that is not UTF-8 would otherwise cut or break it.
TEST(FileUrl, EncodesWhatAUrlCannotHoldPlainly) {
  EXPECT_EQ(FileUrl("/home/ann/Quorrel-1.0_x~/logs/account.html"),
            "file:///home/ann/Quorrel-1.0_x~/logs/account.html");
  EXPECT_EQ(FileUrl("/home/ann/my bids #2/100%/caf\xE9?/logs/account.html"),
            "file:///home/ann/my%20bids%20%232/100%25/caf%E9%3F/logs/account.html");
}

}  // namespace
