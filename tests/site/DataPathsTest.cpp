#include "site/DataPaths.h"
#include "site/ExecutablePath.h"

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

}  // namespace

// A program replaced in place while it runs (an upgrade): the kernel calls
// the running file "<path> (deleted)"; the path it was started from is
// what a start-up entry must name, as long as a file is there.
TEST(DataPaths, ReplacedExecutableIsNamedByItsStartPath) {
  TempFolder folder;
  folder.Write("quorrel", "new version");
  EXPECT_EQ(ExecutableFromLink(folder.PathOf("quorrel (deleted)")), folder.PathOf("quorrel"));
  EXPECT_EQ(ExecutableFromLink(folder.PathOf("quorrel")), folder.PathOf("quorrel"));
  folder.Write("odd (deleted)", "a file that is really called so");
  EXPECT_EQ(ExecutableFromLink(folder.PathOf("odd (deleted)")), folder.PathOf("odd (deleted)"));
}
