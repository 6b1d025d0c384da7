// The real program, started as its own process against the practice site,
// in a program folder prepared for each test.
#include "bids/BidList.h"
#include "site/Account.h"
#include "site/AccountFile.h"
#include "site/ServerList.h"
#include "store/BidFile.h"
#include "store/XmlDocument.h"
#include "support/PracticeSiteFixture.h"
#include "support/ProgramFolder.h"
#include "support/QuietSettings.h"
#include "net/VersionInfo.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <map>
#include <random>
#include <optional>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

class Program {
 public:
  // `environment`: more variables for the program alone.
  explicit Program(const std::string& folder,
                   const std::vector<std::pair<std::string, std::string>>& environment = {})
      : folder_(folder) {
    pid_ = ::fork();
    if (pid_ == 0) {
      ::setenv("HOME", folder.c_str(), 1);
      ::setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);  // the one-copy lock of this test alone
      ::setenv("XDG_CONFIG_HOME", (folder + ".config").c_str(), 1);
      for (const auto& [name, value] : environment) ::setenv(name.c_str(), value.c_str(), 1);
      const std::string exe = folder + "quorrel";
      ::execl(exe.c_str(), exe.c_str(), static_cast<char*>(nullptr));
      ::_exit(127);
    }
  }
  ~Program() {
    if (pid_ > 0 && !exited_) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  // The exit code, when the process ended within `limit`.
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
  std::string folder_;
  pid_t pid_ = -1;
  bool exited_ = false;
};

// Polls `done` until it holds, at most `limit`.
bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(50ms);
  }
  return true;
}

class ProgramTest : public PracticeSiteFixture {
 protected:
  void SetUp() override {
    PracticeSiteFixture::SetUp();
    std::filesystem::copy_file(QUORREL_PROGRAM, folder_.PathOf("quorrel"));
    std::filesystem::permissions(folder_.PathOf("quorrel"), std::filesystem::perms::owner_all);
    ASSERT_TRUE(WriteVerifiedAccount(folder_.PathOf("account.cfg"), serversPath_));
    WriteQuietSettings(folder_.PathOf("quorrel.xml"));
  }

  void WriteBids(const std::vector<std::tuple<std::uint32_t, float, int>>& bids) {
    ASSERT_TRUE(WriteBidList(folder_.PathOf("bids.xml"), bids));
  }

};

// Sniped on time: the bid goes in between 6 and 9 seconds before the end
// for a margin of 8, and the final read after the end shows the win.
TEST_F(ProgramTest, SnipesAnAuctionAtItsMargin) {
  const auto endMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                         std::chrono::system_clock::now().time_since_epoch()).count() + 30000;
  const std::uint32_t item = site_->AddAuction("Pocket watch", 30, 5.0, "rival");
  WriteBids({{item, 20.0f, 8}});
  Program program(folder_.Folder());
  std::this_thread::sleep_for(38s);
  program.Signal(SIGTERM);
  EXPECT_EQ(program.WaitForExit(15s), std::optional<int>(0));

  const auto setup = Logged("/ws/MakeBid");
  const auto commit = Logged("/ws/AcceptBid");
  ASSERT_EQ(setup.size(), 1u);
  ASSERT_EQ(commit.size(), 1u);
  const double before = (endMs - LocalMs(commit[0])) / 1000.0;
  EXPECT_GE(before, 6.0) << "commit " << before << " s before the end";
  EXPECT_LE(before, 9.0) << "commit " << before << " s before the end";
  EXPECT_EQ(site_->HighBidder(item), "sniper");
  const auto reads = Logged("/ws/ViewItem");
  ASSERT_GE(reads.size(), 2u);
  EXPECT_GT(LocalMs(reads.back()), endMs) << "the final read comes after the end";
}

// The same snipe over HTTPS ("USA (secure)", the practice authority named
// by the profile): the forms and cookies go as over HTTP, and every read
// and placement goes over TLS.
TEST_F(ProgramTest, SnipesOverHttps) {
  ASSERT_TRUE(WriteVerifiedAccount(folder_.PathOf("account.cfg"), serversPath_, "USA (secure)"));
  const std::uint32_t item = site_->AddAuction("Pocket watch", 20, 5.0, "rival");
  WriteBids({{item, 20.0f, 5}});
  Program program(folder_.Folder());
  std::this_thread::sleep_for(26s);
  program.Signal(SIGTERM);
  EXPECT_EQ(program.WaitForExit(15s), std::optional<int>(0));

  const auto setup = Logged("/ws/MakeBid");
  const auto commit = Logged("/ws/AcceptBid");
  ASSERT_EQ(setup.size(), 1u);
  ASSERT_EQ(commit.size(), 1u);
  EXPECT_EQ(site_->HighBidder(item), "sniper");
  const auto has = [](const std::string& line, const std::string& text) {
    return line.find(text) != std::string::npos;
  };
  for (const std::string& line : {setup[0], commit[0]}) {
    EXPECT_TRUE(has(line, "\"secure\":true")) << line;
    EXPECT_TRUE(has(line, "\"content_type\":\"application/x-www-form-urlencoded\"")) << line;
  }
  EXPECT_TRUE(has(commit[0], "&userid=sniper&pass=pw&key=K")) << commit[0];
  const auto cookieOf = [](const std::string& line) { return line.substr(line.find("\"cookie\":")); };
  EXPECT_EQ(cookieOf(commit[0]).substr(0, 30), cookieOf(setup[0]).substr(0, 30));
  EXPECT_TRUE(Logged("/ws/ViewItem").size() >= 2u);
  for (const std::string& read : Logged("/ws/ViewItem")) EXPECT_TRUE(has(read, "\"secure\":true")) << read;
}

// A bid setup that fails opens an error box, and nobody closes it; a bid
// that falls due meanwhile is still placed on time, and neither is placed
// twice (the failed setup is tried again while there is time, and once more
// at its moment).
TEST_F(ProgramTest, BidDueWhileAnErrorBoxIsOpenIsPlacedOnTime) {
  const auto now = std::chrono::duration_cast<std::chrono::milliseconds>(
                       std::chrono::system_clock::now().time_since_epoch()).count();
  const std::uint32_t failing = site_->AddAuction("Teapot", 20, 5.0, "rival");
  const std::uint32_t later = site_->AddAuction("Camera", 26, 5.0, "rival");
  site_->FailBidSetup(failing);
  WriteBids({{failing, 20.0f, 8}, {later, 20.0f, 8}});
  Program program(folder_.Folder());
  std::this_thread::sleep_for(31s);
  program.Signal(SIGTERM);
  EXPECT_EQ(program.WaitForExit(15s), std::optional<int>(0)) << "the open box ends with the program";

  const auto setups = Logged("/ws/MakeBid");
  const auto commits = Logged("/ws/AcceptBid");
  ASSERT_GE(setups.size(), 2u);
  ASSERT_LE(setups.size(), 4u) << "each bid's setup once, the failed one at most three times";
  ASSERT_EQ(commits.size(), 1u) << "the failed one is not committed";
  const double before = (now + 26000 - LocalMs(commits[0])) / 1000.0;
  EXPECT_GE(before, 6.0);
  EXPECT_LE(before, 9.0);
  EXPECT_EQ(site_->HighBidder(later), "sniper");
}

// An error report opens at the start (the first item's page matches
// nothing) and nobody closes it; twenty auctions fall due behind it, some
// in the same second, and each commit reaches the site on its margin to
// within a tenth of a second.
TEST_F(ProgramTest, ReportOpenFromTheStartHoldsNoCommit) {
  const std::uint32_t broken = site_->AddAuction("Broken page", 600);
  site_->SetFault(broken, "nomatch");
  std::vector<std::tuple<std::uint32_t, float, int>> bids{{broken, 20.0f, 10}};
  std::map<std::uint32_t, std::pair<std::int64_t, int>> due;  // item -> end, margin
  const std::int64_t first = site_->SiteNow() + 26;
  for (int i = 0; i < 20; ++i) {
    const std::int64_t end = first + i / 4 * 3;  // four in each second
    const int margin = 3 + i % 7;
    const std::uint32_t item = site_->AddAuction("Lot " + std::to_string(i), end - site_->SiteNow());
    due[item] = {site_->EndTime(item), margin};
    bids.emplace_back(item, 20.0f, margin);
  }
  WriteBids(bids);
  Program program(folder_.Folder());
  std::this_thread::sleep_for(std::chrono::seconds(first + 12 - site_->SiteNow() + 3));
  program.Signal(SIGTERM);
  EXPECT_EQ(program.WaitForExit(15s), std::optional<int>(0));

  std::map<std::uint32_t, long long> commits;
  for (const std::string& line : Logged("/ws/AcceptBid")) {
    const std::size_t at = line.find("item=");
    if (at != std::string::npos) commits[std::stoul(line.substr(at + 5))] = LocalMs(line);
  }
  ASSERT_EQ(commits.size(), due.size());
  for (const auto& [item, when] : due) {
    const double late = (commits.at(item) - (when.first - when.second) * 1000) / 1000.0;
    EXPECT_LE(std::abs(late), 0.1) << "item " << item << ": " << late << " s late";
  }
}

// The wall clock is set an hour forward or back between the first read and
// the bid's moment (libfaketime moves it for the program alone): the bid
// goes on its margin all the same, neither at once nor never.
class ClockStep : public ProgramTest, public testing::WithParamInterface<const char*> {};

TEST_P(ClockStep, MovesNoBid) {
  const char* const kFaketime = "/usr/lib/x86_64-linux-gnu/faketime/libfaketimeMT.so.1";
  if (!std::filesystem::exists(kFaketime)) GTEST_SKIP() << "libfaketime is not installed";
  const std::string step = folder_.Write("clock", "+0");
  const std::uint32_t item = site_->AddAuction("Pocket watch", 26, 5.0, "rival");
  const std::int64_t end = site_->EndTime(item);
  WriteBids({{item, 20.0f, 8}});
  const char* asan = std::getenv("ASAN_OPTIONS");
  Program program(folder_.Folder(),
                  {{"LD_PRELOAD", kFaketime},
                   {"FAKETIME_TIMESTAMP_FILE", step},
                   {"FAKETIME_NO_CACHE", "1"},
                   {"FAKETIME_DONT_FAKE_MONOTONIC", "1"},
                   // the sanitizer's runtime is no longer the first library
                   {"ASAN_OPTIONS", std::string(asan ? asan : "") + ":verify_asan_link_order=0"}});
  ASSERT_TRUE(WaitFor([&] { return !Logged("/ws/ViewItem").empty(); }, 15s));
  std::this_thread::sleep_for(2s);
  folder_.Write("clock", GetParam());
  while (site_->SiteNow() < end + 3) std::this_thread::sleep_for(200ms);
  program.Signal(SIGTERM);
  EXPECT_EQ(program.WaitForExit(15s), std::optional<int>(0));

  const auto commits = Logged("/ws/AcceptBid");
  ASSERT_EQ(commits.size(), 1u);
  const double late = (LocalMs(commits[0]) - (end - 8) * 1000) / 1000.0;
  EXPECT_LE(std::abs(late), 0.1) << late << " s late";
}

INSTANTIATE_TEST_SUITE_P(Program, ClockStep, testing::Values("+3600", "-3600"),
                         [](const testing::TestParamInfo<const char*>& info) {
                           return info.param[0] == '+' ? "forward" : "back";
                         });

// The site misbehaves on most of the list, nobody is at the screen, and
// the faulty items stand first, so their reads come first (a stalled one
// holds the worker until its time-out). The program keeps running, the two
// sound bids are committed inside their window, the bid whose setup reply
// has no key is not committed, and every file of the program is intact.
TEST_F(ProgramTest, SiteFaultsDelayNoOtherBidAndLoseNothing) {
  const auto nowMs = [] {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch()).count();
  };
  std::vector<std::tuple<std::uint32_t, float, int>> bids;
  for (const char* kind : {"stall", "reset", "nodate", "error500", "nomatch", "maintenance", "slow"}) {
    const std::uint32_t item = site_->AddAuction(kind, 300, 5.0, "rival");
    ASSERT_TRUE(site_->SetFault(item, kind));
    bids.push_back({item, 20.0f, 8});
  }
  const std::uint32_t noKey = site_->AddAuction("Lamp", 40, 5.0, "rival");
  ASSERT_TRUE(site_->SetFault(noKey, "nokey"));
  bids.push_back({noKey, 20.0f, 8});
  const auto start = nowMs();
  const std::uint32_t first = site_->AddAuction("Clock", 45, 5.0, "rival");
  const std::uint32_t second = site_->AddAuction("Radio", 50, 5.0, "rival");
  bids.push_back({first, 20.0f, 8});
  bids.push_back({second, 25.0f, 12});
  WriteBids(bids);
  const std::string accountBefore = TempFolder::Read(folder_.PathOf("account.cfg"));

  Program program(folder_.Folder());
  std::this_thread::sleep_for(55s);
  EXPECT_EQ(program.WaitForExit(0ms), std::nullopt) << "still running";
  program.Signal(SIGTERM);
  EXPECT_EQ(program.WaitForExit(15s), std::optional<int>(0));

  std::map<std::uint32_t, long long> commits;
  for (const std::string& line : Logged("/ws/AcceptBid")) {
    commits[static_cast<std::uint32_t>(std::stoul(line.substr(line.find("item=") + 5)))] = LocalMs(line);
  }
  for (const auto& [item, endsIn, margin] : {std::tuple{first, 45, 8}, std::tuple{second, 50, 12}}) {
    ASSERT_EQ(commits.count(item), 1u) << item;
    const double late = margin - (start + endsIn * 1000 - commits[item]) / 1000.0;
    EXPECT_GE(late, -2.0) << item << " committed " << -late << " s before its margin";
    EXPECT_LE(late, 1.0) << item << " committed " << late << " s after its margin";
  }
  EXPECT_EQ(commits.count(noKey), 0u);
  EXPECT_EQ(commits.size(), 2u);

  BidList after;
  ASSERT_TRUE(LoadBidFile(folder_.PathOf("bids.xml"), after));
  std::map<std::uint32_t, int> saved;  // in the list's order of the moment, not the file's
  for (std::size_t row = 0; row < after.RowCount(); ++row) saved[after.BidAt(row)->Item()] = after.BidAt(row)->Margin();
  std::map<std::uint32_t, int> written;
  for (const auto& [item, maxBid, margin] : bids) written[item] = margin;
  EXPECT_EQ(saved, written);
  EXPECT_FALSE(std::filesystem::exists(folder_.PathOf("bids.xml.bad")));
  EXPECT_EQ(TempFolder::Read(folder_.PathOf("account.cfg")), accountBefore);
  XmlDocument settings;
  EXPECT_TRUE(settings.Load(folder_.PathOf("quorrel.xml")) && settings.FindElement("quorrel"));
}

// SIGTERM ends the program as the end of the session does: the bid file is
// written again in the program's own layout, and the exit is clean.
TEST_F(ProgramTest, EndSignalSavesTheBidFile) {
  folder_.Write("bids.xml", "<bids><defaults><margin>33</margin></defaults>"
                            "<bid><item>77</item><maxbid>3</maxbid><margin>9</margin></bid></bids>");
  Program program(folder_.Folder());
  std::this_thread::sleep_for(3s);
  program.Signal(SIGTERM);
  EXPECT_EQ(program.WaitForExit(15s), std::optional<int>(0));
  EXPECT_EQ(TempFolder::Read(folder_.PathOf("bids.xml")),
            "<bids>\r\n<defaults>\r\n<margin>33</margin>\r\n</defaults>\r\n<bid>\r\n<item>77</item>\r\n"
            "<maxbid>3.00</maxbid>\r\n<margin>9</margin>\r\n</bid>\r\n</bids>\r\n");
}

// A second start finds the running copy, which answers; it ends at once
// with 0 while the first goes on.
TEST_F(ProgramTest, SecondCopyHandsOverAndEnds) {
  WriteBids({});
  Program first(folder_.Folder());
  std::this_thread::sleep_for(3s);
  Program second(folder_.Folder());
  EXPECT_EQ(second.WaitForExit(10s), std::optional<int>(0));
  EXPECT_EQ(first.WaitForExit(500ms), std::nullopt) << "the first copy goes on";
  first.Signal(SIGTERM);
  EXPECT_EQ(first.WaitForExit(15s), std::optional<int>(0));
}

// Damaged files beside the program. Whatever is in them, the program starts,
// keeps running and ends cleanly, and nothing the user had is lost: a bid
// list that cannot be read is kept as bids.xml.bad, the account file is not
// written over, servers.xml is never written, and a settings file that
// cannot be read is replaced by a sound one at the end.
struct BadFileCase {
  const char* file;
  const char* kind;  // truncated, oversized, binary, hostile
};

class BadFiles : public ProgramTest, public testing::WithParamInterface<BadFileCase> {
 protected:
  // The damaged version of a sound file's bytes.
  static std::string Damaged(const std::string& sound, const std::string& kind) {
    if (kind == "truncated") return sound.substr(0, sound.size() / 2);
    if (kind == "binary") {
      std::mt19937 random(5);
      std::string bytes(4096, '\0');
      for (char& c : bytes) c = static_cast<char>(random());
      return bytes;
    }
    // hostile: nesting far deeper than any stack, for the XML files; for the
    // account file, a first field that claims to be 4 GB long.
    if (std::string(GetParam().file) == "account.cfg") return std::string("\xF0\xFF\xFF\xFF", 4) + sound;
    std::string deep;
    for (int i = 0; i < 200000; ++i) deep += "<a>";
    return deep;
  }
};

TEST_P(BadFiles, NeitherCrashNorLoss) {
  const std::string file = GetParam().file;
  const std::string kind = GetParam().kind;
  WriteBids({{1234567u, 12.5f, 9}, {7654321u, 3.0f, 30}});
  const std::string path = folder_.PathOf(file);
  const std::string sound = TempFolder::Read(path);
  const std::string bidsBefore = TempFolder::Read(folder_.PathOf("bids.xml"));
  if (kind == "oversized") {
    std::filesystem::resize_file(path, XmlDocument::kLargestFile + 4096);  // sparse: a runaway file
  } else {
    folder_.Write(file, Damaged(sound, kind));
  }
  const std::string bad = TempFolder::Read(path);

  Program program(folder_.Folder());
  std::this_thread::sleep_for(4s);
  EXPECT_EQ(program.WaitForExit(0ms), std::nullopt) << "still running";
  program.Signal(SIGTERM);
  EXPECT_EQ(program.WaitForExit(20s), std::optional<int>(0));

  // Compared as booleans: the files run to megabytes.
  if (file == "bids.xml") {
    EXPECT_TRUE(TempFolder::Read(folder_.PathOf("bids.xml.bad")) == bad) << "the unreadable list is kept";
  } else {
    EXPECT_TRUE(TempFolder::Read(folder_.PathOf("bids.xml")) == bidsBefore) << "the list is as it was";
    EXPECT_FALSE(std::filesystem::exists(folder_.PathOf("bids.xml.bad")));
  }
  if (file == "quorrel.xml") {
    XmlDocument settings;
    EXPECT_TRUE(settings.Load(path) && settings.FindElement("quorrel")) << "written anew at the end";
  } else if (file != "bids.xml") {
    EXPECT_TRUE(TempFolder::Read(path) == bad) << file << " is not written over";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Program, BadFiles,
    testing::ValuesIn(std::vector<BadFileCase>{
        {"servers.xml", "truncated"}, {"servers.xml", "oversized"}, {"servers.xml", "binary"},
        {"servers.xml", "hostile"},   {"bids.xml", "truncated"},    {"bids.xml", "oversized"},
        {"bids.xml", "binary"},       {"bids.xml", "hostile"},      {"quorrel.xml", "truncated"},
        {"quorrel.xml", "oversized"}, {"quorrel.xml", "binary"},    {"quorrel.xml", "hostile"},
        {"account.cfg", "truncated"}, {"account.cfg", "oversized"}, {"account.cfg", "binary"},
        {"account.cfg", "hostile"}}),
    [](const testing::TestParamInfo<BadFileCase>& info) {
      std::string name = std::string(info.param.file) + "_" + info.param.kind;
      std::replace(name.begin(), name.end(), '.', '_');
      return name;
    });

// The executable carries its version; the project's, with the build type as
// its special-build text.
TEST(ProgramVersion, IsEmbeddedInTheExecutable) {
  const VersionInfo version = ReadVersionInfo(QUORREL_PROGRAM);
  EXPECT_EQ(version.VersionText(), QUORREL_VERSION);
  EXPECT_FALSE(version.specialBuild.empty());
}

}  // namespace
