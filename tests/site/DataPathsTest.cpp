#include "site/DataPaths.h"
#include "site/ExecutablePath.h"
#include "site/FileUrl.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;

struct PathCase {
  const char* executable;
  const char* folder;
  const char* fileName;
};

class DataPathsOf : public testing::TestWithParam<PathCase> {};

TEST_P(DataPathsOf, SplitsTheExecutablePath) {
  const PathCase& c = GetParam();
  const DataPaths paths(c.executable, XdgFolders("/home/u", "", ""));
  EXPECT_EQ(paths.ProgramFolder(), c.folder);
  EXPECT_EQ(paths.ProgramFileName(), c.fileName) << "the real name, no extension forced";
}

INSTANTIATE_TEST_SUITE_P(
    Executables, DataPathsOf,
    testing::Values(PathCase{"/opt/quorrel/quorrel", "/opt/quorrel/", "quorrel"},
                    PathCase{"/opt/q/quorrel.bin", "/opt/q/", "quorrel.bin"},
                    PathCase{"/quorrel", "/", "quorrel"}, PathCase{"", "", ""}));

TEST(DataPaths, RunningProgramIsThisTestBinary) {
  const DataPaths paths = DataPaths::ForRunningProgram();
  EXPECT_EQ(paths.ProgramFileName(), "site_tests");
  EXPECT_TRUE(fs::exists(paths.ProgramFolder() + "site_tests"));
}

// A servers.xml beside the program keeps every file there, whatever the
// user's folders hold, and even when that servers.xml cannot be read.
TEST(DataPaths, ServersFileBesideTheProgramMakesItPortable) {
  TempFolder folder;
  folder.Write("servers.xml", "not even XML");
  fs::create_directories(folder.PathOf("config/quorrel"));
  folder.Write("config/quorrel/servers.xml", "<servers/>");
  const DataPaths paths(folder.PathOf("quorrel"),
                        XdgFolders(folder.PathOf("home"), folder.PathOf("data"), folder.PathOf("config")));
  EXPECT_TRUE(paths.Portable());
  EXPECT_EQ(paths.LogsFolder(), folder.PathOf("logs/"));
  for (const char* name : {DataPaths::SettingsFileName, DataPaths::ServersFileName, DataPaths::AccountFileName,
                           DataPaths::BidsFileName}) {
    EXPECT_EQ(paths.PathOf(name), folder.PathOf(name));
  }
}

// Installed: the user's files by the XDG rules, servers.xml from the
// installation unless the user has one.
struct InstalledCase {
  const char* what;
  const char* home;
  const char* dataHome;
  const char* configHome;
  const char* data;    // expected, under the temporary root
  const char* config;  // expected, under the temporary root
};

class Installed : public testing::TestWithParam<InstalledCase> {
 protected:
  Installed() {
    fs::create_directories(root_.PathOf("prefix/bin"));
    fs::create_directories(root_.PathOf("prefix/share/quorrel"));
    root_.Write("prefix/share/quorrel/servers.xml", "<servers/>");
  }
  // "@" stands for the temporary root; "" for an unset variable.
  std::string Rooted(const char* value) const {
    std::string text(value);
    const std::size_t at = text.find('@');
    return at == std::string::npos ? text : text.replace(at, 1, root_.Folder());
  }
  DataPaths Paths() const {
    const InstalledCase& c = GetParam();
    return DataPaths(root_.PathOf("prefix/bin/quorrel"),
                     XdgFolders(Rooted(c.home), Rooted(c.dataHome), Rooted(c.configHome)));
  }
  TempFolder root_;
};

TEST_P(Installed, PutsTheFilesInTheUsersFolders) {
  const InstalledCase& c = GetParam();
  const DataPaths paths = Paths();
  EXPECT_FALSE(paths.Portable());
  EXPECT_EQ(paths.ProgramFolder(), root_.PathOf("prefix/bin/"));
  EXPECT_EQ(paths.DataFolder(), Rooted(c.data));
  EXPECT_EQ(paths.ConfigFolder(), Rooted(c.config));
  EXPECT_EQ(paths.LogsFolder(), Rooted(c.data) + "logs/");
  EXPECT_EQ(paths.PathOf(DataPaths::BidsFileName), Rooted(c.data) + "bids.xml");
  EXPECT_EQ(paths.PathOf(DataPaths::AccountFileName), Rooted(c.data) + "account.cfg");
  EXPECT_EQ(paths.PathOf(DataPaths::SettingsFileName), Rooted(c.config) + "quorrel.xml");
  EXPECT_EQ(paths.PathOf(DataPaths::ServersFileName), root_.PathOf("prefix/share/quorrel/servers.xml"));

  fs::create_directories(Rooted(c.config));
  root_.Write(Rooted(c.config).substr(root_.Folder().size()) + "servers.xml", "<servers/>");
  EXPECT_EQ(Paths().PathOf(DataPaths::ServersFileName), Rooted(c.config) + "servers.xml")
      << "the user's own profiles come first";
}

INSTANTIATE_TEST_SUITE_P(
    Environments, Installed,
    testing::Values(
        InstalledCase{"defaults", "@home", "", "", "@home/.local/share/quorrel/", "@home/.config/quorrel/"},
        InstalledCase{"set", "@home", "@data", "@conf/", "@data/quorrel/", "@conf/quorrel/"},
        InstalledCase{"relative_ignored", "@home", "data", "conf", "@home/.local/share/quorrel/",
                      "@home/.config/quorrel/"},
        InstalledCase{"no_home", "", "@data", "@conf", "@data/quorrel/", "@conf/quorrel/"}),
    [](const testing::TestParamInfo<InstalledCase>& info) { return std::string(info.param.what); });

unsigned ModeOf(const std::string& path) {
  struct stat status{};
  return ::stat(path.c_str(), &status) == 0 ? (status.st_mode & 07777) : 0;
}

// The installed program makes its folders, and the missing parents on the
// way, readable by the user alone; a folder the user made keeps its mode.
TEST(DataPaths, InstalledFoldersAreMadePrivate) {
  TempFolder root;
  fs::create_directories(root.PathOf("home/.config"));
  fs::permissions(root.PathOf("home/.config"), fs::perms(0755));
  const DataPaths paths(root.PathOf("bin/quorrel"), XdgFolders(root.PathOf("home"), "", ""));
  const ::mode_t before = ::umask(0);  // the widest umask, so that only the program's own mode counts
  std::string failed;
  const bool made = paths.CreateFolders(&failed);
  EXPECT_TRUE(paths.CreateFolders()) << "a second start finds them";
  ::umask(before);
  ASSERT_TRUE(made) << failed;
  for (const char* folder : {"home/.local", "home/.local/share", "home/.local/share/quorrel",
                             "home/.local/share/quorrel/logs", "home/.config/quorrel"}) {
    EXPECT_EQ(ModeOf(root.PathOf(folder)), 0700u) << folder;
  }
  EXPECT_EQ(ModeOf(root.PathOf("home/.config")), 0755u);
}

// A file where a folder should be: the portable program goes on without
// its logs folder and says nothing; the installed one names the folder.
TEST(DataPaths, FolderThatCannotBeMadeIsReported) {
  TempFolder portable;
  portable.Write("servers.xml", "<servers/>");
  portable.Write("logs", "a file, not a folder");
  EXPECT_TRUE(DataPaths(portable.PathOf("quorrel"), XdgFolders("", "", "")).CreateFolders());
  EXPECT_FALSE(fs::is_directory(portable.PathOf("logs")));

  TempFolder installed;
  fs::create_directories(installed.PathOf("home/.local"));
  installed.Write("home/.local/share", "a file, not a folder");
  const DataPaths paths(installed.PathOf("bin/quorrel"), XdgFolders(installed.PathOf("home"), "", ""));
  std::string failed;
  EXPECT_FALSE(paths.CreateFolders(&failed));
  EXPECT_EQ(failed, installed.PathOf("home/.local/share/quorrel/"));
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
