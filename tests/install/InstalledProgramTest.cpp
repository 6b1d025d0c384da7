// The program as installed by cmake --install into a temporary prefix, run
// as its user would run it: from the prefix, with a home folder of its own.
#include "bids/BidList.h"
#include "site/Account.h"
#include "site/AccountFile.h"
#include "site/ServerList.h"
#include "store/BidFile.h"
#include "store/XmlDocument.h"
#include "support/PracticeSiteFixture.h"
#include "support/ProgramFolder.h"
#include "support/QuietSettings.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const std::string kAppId = QUORREL_APP_ID;

// A program started the way a desktop starts one: by a command line looked
// up on PATH, in the home folder, with the user's environment and no XDG
// variables of the tester's.
class Launched {
 public:
  Launched(const std::vector<std::string>& command, const std::string& home, const std::string& path,
           const std::map<std::string, std::string>& more = {}) {
    pid_ = ::fork();
    if (pid_ == 0) {
      ::setenv("HOME", home.c_str(), 1);
      ::setenv("PATH", path.c_str(), 1);
      ::unsetenv("XDG_DATA_HOME");
      ::unsetenv("XDG_CONFIG_HOME");
      for (const auto& [name, value] : more) ::setenv(name.c_str(), value.c_str(), 1);
      if (::chdir(home.c_str()) != 0) ::_exit(126);
      std::vector<char*> argv;
      for (const std::string& word : command) argv.push_back(const_cast<char*>(word.c_str()));
      argv.push_back(nullptr);
      ::execvp(argv[0], argv.data());
      ::_exit(127);
    }
  }
  ~Launched() {
    if (pid_ > 0 && !exited_) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  std::optional<int> WaitForExit(std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
      int status = 0;
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        exited_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
      std::this_thread::sleep_for(20ms);
    }
    return std::nullopt;
  }
  void Signal(int signal) { ::kill(pid_, signal); }

 private:
  pid_t pid_ = -1;
  bool exited_ = false;
};

// Every file under a folder with its size and time of change, to tell
// whether anything was written there.
std::map<std::string, std::pair<std::uintmax_t, fs::file_time_type>> Snapshot(const std::string& folder) {
  std::map<std::string, std::pair<std::uintmax_t, fs::file_time_type>> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    files[entry.path().string()] = {entry.is_regular_file() ? entry.file_size() : 0, entry.last_write_time()};
  }
  return files;
}

unsigned ModeOf(const std::string& path) {
  struct stat status{};
  return ::stat(path.c_str(), &status) == 0 ? (status.st_mode & 07777) : 0;
}

std::string Output(const std::string& command) {
  std::string text;
  if (FILE* pipe = ::popen(command.c_str(), "r")) {
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, n);
    ::pclose(pipe);
  }
  return text;
}

class InstalledProgram : public PracticeSiteFixture {
 protected:
  static void SetUpTestSuite() {
    prefix_ = new TempFolder;
    const std::string command = std::string("\"") + QUORREL_CMAKE + "\" --install \"" + QUORREL_BUILD_DIR +
                                "\" --prefix \"" + prefix_->Folder() + "\" > /dev/null";
    installed_ = std::system(command.c_str()) == 0;
  }
  static void TearDownTestSuite() {
    delete prefix_;
    prefix_ = nullptr;
  }
  void SetUp() override {
    PracticeSiteFixture::SetUp();
    ASSERT_TRUE(installed_) << "cmake --install into " << prefix_->Folder();
    config_ = home_.PathOf(".config/quorrel/");
    data_ = home_.PathOf(".local/share/quorrel/");
  }
  static std::string Prefix(const std::string& path) { return prefix_->PathOf(path); }
  std::string SearchPath() const { return Prefix("bin") + ":/usr/bin:/bin"; }

  static TempFolder* prefix_;
  static bool installed_;
  TempFolder home_;
  std::string config_;
  std::string data_;
};

TempFolder* InstalledProgram::prefix_ = nullptr;
bool InstalledProgram::installed_ = false;

// Installed, the program keeps the user's files in the XDG folders: it
// reads the user's own servers.xml there, snipes the bid in the data
// folder, makes its logs folder for the user alone, saves the bid list and
// the settings where it found them at SIGTERM, and writes nothing under the
// prefix.
TEST_F(InstalledProgram, KeepsTheUsersFilesInTheXdgFolders) {
  fs::create_directories(config_);
  fs::create_directories(data_);
  fs::copy_file(serversPath_, config_ + "servers.xml");  // the user's own, pointing at this test's site
  WriteQuietSettings(config_ + "quorrel.xml");
  ASSERT_TRUE(WriteVerifiedAccount(data_ + "account.cfg", serversPath_));
  const std::uint32_t item = site_->AddAuction("Pocket watch", 16, 5.0, "rival");
  ASSERT_TRUE(WriteBidList(data_ + "bids.xml", {{item, 20.0f, 8}}));
  const auto prefixBefore = Snapshot(prefix_->Folder());
  const auto anHourAgo = fs::file_time_type::clock::now() - 1h;
  fs::last_write_time(config_ + "quorrel.xml", anHourAgo);

  Launched program({Prefix("bin/quorrel")}, home_.Folder(), SearchPath());
  std::this_thread::sleep_for(12s);  // the bid is due 8 seconds before the end
  program.Signal(SIGTERM);
  EXPECT_EQ(program.WaitForExit(15s), std::optional<int>(0));

  EXPECT_EQ(Logged("/ws/AcceptBid").size(), 1u) << "the bid placed through the user's servers.xml";
  EXPECT_EQ(site_->HighBidder(item), "sniper");
  EXPECT_EQ(ModeOf(data_ + "logs"), 0700u) << "the logs folder, made by the program";
  BidList saved;
  ASSERT_TRUE(LoadBidFile(data_ + "bids.xml", saved));
  ASSERT_EQ(saved.RowCount(), 1u);
  EXPECT_EQ(saved.BidAt(0)->Item(), item);
  XmlDocument settings;
  EXPECT_TRUE(settings.Load(config_ + "quorrel.xml") && settings.FindElement("quorrel"));
  EXPECT_GT(fs::last_write_time(config_ + "quorrel.xml"), anHourAgo) << "written anew at the end";
  EXPECT_TRUE(Snapshot(prefix_->Folder()) == prefixBefore) << "nothing written under the prefix";
}

// Installed, the settings live apart from the bid list: a copy from another
// session with a bid list of its own but the same settings is refused too
// (exit 1 on the end signal, not 0), and writes no settings.
TEST_F(InstalledProgram, CopyWithTheSameSettingsFromAnotherSessionIsRefused) {
  fs::create_directories(config_);
  WriteQuietSettings(config_ + "quorrel.xml");
  Launched first({Prefix("bin/quorrel")}, home_.Folder(), SearchPath(), {{"XDG_RUNTIME_DIR", home_.Folder()}});
  std::this_thread::sleep_for(4s);
  const auto written = fs::last_write_time(config_ + "quorrel.xml");
  TempFolder elsewhere;
  Launched second({Prefix("bin/quorrel")}, home_.Folder(), SearchPath(),
                  {{"XDG_RUNTIME_DIR", elsewhere.Folder()}, {"XDG_DATA_HOME", elsewhere.PathOf("data")}});
  std::this_thread::sleep_for(9s);  // its patience, 5 s, and its box
  second.Signal(SIGTERM);
  EXPECT_EQ(second.WaitForExit(15s), std::optional<int>(1));
  EXPECT_EQ(fs::last_write_time(config_ + "quorrel.xml"), written);
  first.Signal(SIGTERM);
  EXPECT_EQ(first.WaitForExit(15s), std::optional<int>(0));
}

// The desktop entry's Exec line, run as a desktop runs it (field codes
// dropped, the program looked up on PATH, started in the home folder),
// brings up a window of the class the entry names, whose icon is installed;
// on a first start the program makes the data folder for the user alone.
TEST_F(InstalledProgram, DesktopEntryStartsTheProgram) {
  std::map<std::string, std::string> entry;
  std::istringstream lines(TempFolder::Read(Prefix("share/applications/" + kAppId + ".desktop")));
  for (std::string line; std::getline(lines, line);) {
    const std::size_t equals = line.find('=');
    if (equals != std::string::npos) entry[line.substr(0, equals)] = line.substr(equals + 1);
  }
  ASSERT_FALSE(entry["Exec"].empty());
  for (const char* size : {"16x16", "32x32", "48x48", "128x128", "256x256"}) {
    EXPECT_TRUE(fs::exists(Prefix("share/icons/hicolor/") + size + "/apps/" + entry["Icon"] + ".png")) << size;
  }
  EXPECT_TRUE(fs::exists(Prefix("share/icons/hicolor/scalable/apps/" + entry["Icon"] + ".svg")));
  std::vector<std::string> command;
  std::istringstream words(entry["Exec"]);
  for (std::string word; words >> word;) {
    if (word.size() != 2 || word[0] != '%') command.push_back(word);
  }
  ASSERT_FALSE(command.empty());
  fs::create_directories(config_);
  WriteQuietSettings(config_ + "quorrel.xml");  // no update check: no server but this test's

  Launched program(command, home_.Folder(), SearchPath());
  // The main window: titled with the entry's name, of the entry's class
  // (GTK's hidden leader window has the class too, but not the title).
  const std::string window = "\"" + entry["Name"] + "\": (\"";
  const std::string windowClass = "\" \"" + entry["StartupWMClass"] + "\")";
  bool shown = false;
  for (int i = 0; i < 100 && !shown; ++i) {
    std::this_thread::sleep_for(100ms);
    std::istringstream tree(Output("xwininfo -root -tree"));
    for (std::string line; std::getline(tree, line);) {
      shown = shown || (line.find(window) != std::string::npos && line.find(windowClass) != std::string::npos);
    }
  }
  EXPECT_TRUE(shown) << "no window \"" << entry["Name"] << "\" of class " << entry["StartupWMClass"];
  std::this_thread::sleep_for(1s);  // the end signals are taken once the window is up
  EXPECT_EQ(program.WaitForExit(0ms), std::nullopt) << "still running";
  program.Signal(SIGTERM);
  EXPECT_EQ(program.WaitForExit(15s), std::optional<int>(0));
  EXPECT_EQ(ModeOf(home_.PathOf(".local/share")), 0700u);
  EXPECT_EQ(ModeOf(data_), 0700u);
  EXPECT_EQ(ModeOf(data_ + "logs"), 0700u);
}

}  // namespace
