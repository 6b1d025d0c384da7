// The real program on a desktop, driven as a user drives it: real pointer
// and key input, native boxes and popup menus really shown, a system tray
// and a window manager where the case needs them, drags from another
// process, and several starts of the program for one user.
#include "bids/BidList.h"
#include "site/Account.h"
#include "site/AccountFile.h"
#include "site/ServerList.h"
#include "store/BidFile.h"
#include "store/ProgramSettings.h"
#include "store/XmlDocument.h"
#include "support/PracticeSiteFixture.h"
#include "support/ProgramFolder.h"
#include "support/QuietSettings.h"
#include "XScreen.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace std::chrono_literals;

// A process of the test's, ended (SIGKILL) if still running at the end.
class Process {
 public:
  Process(const std::vector<std::string>& argv, const std::map<std::string, std::optional<std::string>>& env = {}) {
    pid_ = ::fork();
    if (pid_ == 0) {
      for (const auto& [name, value] : env) {
        if (value) {
          ::setenv(name.c_str(), value->c_str(), 1);
        } else {
          ::unsetenv(name.c_str());
        }
      }
      std::vector<char*> args;
      for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
      args.push_back(nullptr);
      ::execv(args[0], args.data());
      ::_exit(127);
    }
  }
  ~Process() {
    if (pid_ > 0 && !exited_) {
      ::kill(pid_, SIGCONT);
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  // The exit code, when the process ended within `limit`.
  std::optional<int> WaitForExit(std::chrono::milliseconds limit) {
    if (exited_) return code_;
    const auto end = std::chrono::steady_clock::now() + limit;
    do {
      int status = 0;
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        exited_ = true;
        code_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return code_;
      }
      std::this_thread::sleep_for(20ms);
    } while (std::chrono::steady_clock::now() < end);
    return std::nullopt;
  }
  bool Running() { return !WaitForExit(0ms).has_value(); }
  void Signal(int signal) { ::kill(pid_, signal); }

 private:
  pid_t pid_ = -1;
  bool exited_ = false;
  int code_ = -1;
};

enum class OpenLoop { kNativeBox, kContextMenu, kTrayMenu };

class DesktopTest : public PracticeSiteFixture {
 protected:
  void SetUp() override {
    PracticeSiteFixture::SetUp();
    ASSERT_TRUE(screen_.Ok());
    std::filesystem::copy_file(QUORREL_PROGRAM, folder_.PathOf("quorrel"));
    std::filesystem::permissions(folder_.PathOf("quorrel"), std::filesystem::perms::owner_all);
    ASSERT_TRUE(WriteVerifiedAccount(folder_.PathOf("account.cfg"), serversPath_));
    WriteQuietSettings(folder_.PathOf("quorrel.xml"));
    WriteBids({1111, 2222});
  }

  void WriteBids(const std::vector<std::uint32_t>& items) {
    std::vector<std::tuple<std::uint32_t, float, int>> bids;
    for (const std::uint32_t item : items) bids.emplace_back(item, 10.0f, 8);
    ASSERT_TRUE(WriteBidList(folder_.PathOf("bids.xml"), bids));
  }

  // The program of this test's folder, with a home and runtime folder of
  // this test's alone (other tests run beside this one); `env` changes more.
  std::unique_ptr<Process> Start(std::map<std::string, std::optional<std::string>> env = {}) {
    const std::string folder = folder_.Folder();
    env.emplace("HOME", folder);
    env.emplace("XDG_RUNTIME_DIR", folder);
    env.emplace("XDG_CONFIG_HOME", folder + ".config");
    return std::make_unique<Process>(std::vector<std::string>{folder + "quorrel"}, env);
  }
  std::unique_ptr<Process> StartTray() {
    return std::make_unique<Process>(std::vector<std::string>{QUORREL_TEST_TRAY, folder_.PathOf("docked")});
  }
  std::unique_ptr<Process> StartWindowManager() {
    auto manager = std::make_unique<Process>(std::vector<std::string>{"/usr/bin/openbox", "--sm-disable"});
    std::this_thread::sleep_for(1s);
    return manager;
  }
  // Where the tray shows the first icon docked in it, once one is.
  std::optional<std::pair<int, int>> DockedIcon(std::chrono::milliseconds limit) {
    std::optional<std::pair<int, int>> at;
    XScreen::Until([&] {
      const std::string docked = TempFolder::Read(folder_.PathOf("docked"));
      int x, y;
      if (std::sscanf(docked.c_str(), "%d %d", &x, &y) == 2) at = std::pair{x, y};
      return at.has_value();
    }, limit);
    return at;
  }

  // Typed as a user types it, one key at a time (lower-case letters and
  // digits are their own key symbols).
  void Type(const std::string& text) {
    for (const char c : text) screen_.Key(static_cast<KeySym>(c));
  }
  // The pointer over the window, so that its keys go there.
  void PointAt(Window window) {
    const XScreen::Rect r = screen_.Geometry(window);
    screen_.Move(r.x + r.width / 2, r.y + 8);
  }
  static long long NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch()).count();
  }

  // A point on the first row of the bid list, and one below the rows.
  std::pair<int, int> FirstRow(Window frame) {
    const XScreen::Rect r = screen_.Geometry(frame);
    return {r.x + 60, r.y + kFirstRowY};
  }
  std::pair<int, int> BelowTheRows(Window frame) {
    const XScreen::Rect r = screen_.Geometry(frame);
    return {r.x + r.width / 2, r.y + r.height - 60};
  }


  // Opens a loop the user can leave open: the Delete confirmation (a native
  // box), the list's menu, or the tray menu.
  void Open(OpenLoop loop, Window frame) {
    switch (loop) {
      case OpenLoop::kNativeBox: {
        const auto [x, y] = FirstRow(frame);
        screen_.Click(x, y);
        screen_.Key(XK_Delete);
        ASSERT_NE(screen_.WaitFor("Quorrel confirm delete", 5s), None) << "the Delete confirmation is open";
        break;
      }
      case OpenLoop::kContextMenu: {
        const auto [x, y] = BelowTheRows(frame);
        screen_.Click(x, y, 3);
        ASSERT_TRUE(XScreen::Until([&] { return screen_.PopupMenuShown(); }, 5s)) << "the list's menu is open";
        break;
      }
      case OpenLoop::kTrayMenu: {
        const auto icon = DockedIcon(10s);
        ASSERT_TRUE(icon.has_value()) << "the icon docked";
        screen_.Click(icon->first, icon->second, 3);
        ASSERT_TRUE(XScreen::Until([&] { return screen_.PopupMenuShown(); }, 5s)) << "the tray menu is open";
        break;
      }
    }
  }

  // From the frame's top: the menu bar, the toolbar, the list's header.
  static constexpr int kFirstRowY = 100;

  XScreen screen_;
};

class EndSignalWithALoopOpen : public DesktopTest, public testing::WithParamInterface<OpenLoop> {};

// SIGTERM, as a session manager sends it, with each kind of loop open that
// the user can leave open: the program ends cleanly and saves its files.
TEST_P(EndSignalWithALoopOpen, EndsAndSaves) {
  std::unique_ptr<Process> tray;
  if (GetParam() == OpenLoop::kTrayMenu) tray = StartTray();
  auto program = Start();
  const Window frame = screen_.WaitFor("Quorrel");
  ASSERT_NE(frame, None);
  std::this_thread::sleep_for(1s);
  // Read at the start; written anew only by the end.
  std::filesystem::remove(folder_.PathOf("quorrel.xml"));
  std::filesystem::remove(folder_.PathOf("bids.xml"));

  ASSERT_NO_FATAL_FAILURE(Open(GetParam(), frame));
  program->Signal(SIGTERM);
  EXPECT_EQ(program->WaitForExit(15s), std::optional<int>(0));
  XmlDocument settings;
  EXPECT_TRUE(settings.Load(folder_.PathOf("quorrel.xml")) && settings.FindElement("quorrel"));
  BidList bids;
  EXPECT_TRUE(LoadBidFile(folder_.PathOf("bids.xml"), bids));
  EXPECT_EQ(bids.RowCount(), 2u) << "the box's question was not taken as a yes";
}

std::string LoopName(const testing::TestParamInfo<OpenLoop>& info) {
  static const char* const names[] = {"NativeBox", "ContextMenu", "TrayMenu"};
  return names[static_cast<int>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(Program, EndSignalWithALoopOpen,
                         testing::Values(OpenLoop::kNativeBox, OpenLoop::kContextMenu, OpenLoop::kTrayMenu),
                         LoopName);

// The same loops, opened before two bids' moment and left open across it:
// both commits reach the site on their margins all the same.
class BidsWithALoopOpen : public DesktopTest, public testing::WithParamInterface<OpenLoop> {};

TEST_P(BidsWithALoopOpen, GoOnTheirMargins) {
  const std::uint32_t first = site_->AddAuction("Lamp", 24, 1.0, "rival");
  const std::uint32_t second = site_->AddAuction("Clock", 25, 1.0, "rival");
  WriteBids({first, second});
  std::unique_ptr<Process> tray;
  if (GetParam() == OpenLoop::kTrayMenu) tray = StartTray();
  auto program = Start();
  const Window frame = screen_.WaitFor("Quorrel");
  ASSERT_NE(frame, None);
  while (site_->SiteNow() < site_->EndTime(first) - 12) std::this_thread::sleep_for(100ms);
  ASSERT_NO_FATAL_FAILURE(Open(GetParam(), frame));
  while (site_->SiteNow() < site_->EndTime(second) - 4) std::this_thread::sleep_for(100ms);
  if (GetParam() != OpenLoop::kNativeBox) {
    EXPECT_TRUE(screen_.PopupMenuShown()) << "still open after the moment";
  }
  program->Signal(SIGTERM);
  EXPECT_EQ(program->WaitForExit(15s), std::optional<int>(0));

  std::map<std::uint32_t, long long> commits;
  for (const std::string& line : Logged("/ws/AcceptBid")) {
    const std::size_t at = line.find("item=");
    if (at != std::string::npos) commits[std::stoul(line.substr(at + 5))] = LocalMs(line);
  }
  for (const std::uint32_t item : {first, second}) {
    ASSERT_EQ(commits.count(item), 1u) << "item " << item;
    const double late = (commits[item] - (site_->EndTime(item) - 8) * 1000) / 1000.0;
    EXPECT_LE(std::abs(late), 0.1) << "item " << item << ": " << late << " s late";
  }
}

INSTANTIATE_TEST_SUITE_P(Program, BidsWithALoopOpen,
                         testing::Values(OpenLoop::kNativeBox, OpenLoop::kContextMenu, OpenLoop::kTrayMenu),
                         LoopName);

// A copy stopped for a while (SIGSTOP stands for a busy user-interface
// thread) still counts: a second start waits for it rather than starting
// beside it; one killed while it waits takes nothing with it; once the
// first runs again it answers the next start, comes to the front, and is
// the only copy.
TEST_F(DesktopTest, StoppedCopyIsWaitedForAndAnswers) {
  auto first = Start();
  const Window frame = screen_.WaitFor("Quorrel");
  ASSERT_NE(frame, None);
  std::this_thread::sleep_for(1s);
  const Window cover = screen_.Cover();
  ASSERT_GT(screen_.StackingIndex(cover), screen_.StackingIndex(frame));

  first->Signal(SIGSTOP);
  {
    auto impatient = Start();
    std::this_thread::sleep_for(3s);
    EXPECT_TRUE(impatient->Running()) << "it waits for the stopped copy";
    impatient->Signal(SIGKILL);
    impatient->WaitForExit(5s);
  }
  auto second = Start();
  std::this_thread::sleep_for(2s);
  EXPECT_TRUE(second->Running()) << "it waits for the stopped copy";
  first->Signal(SIGCONT);
  EXPECT_EQ(second->WaitForExit(10s), std::optional<int>(0)) << "answered, it hands over";
  auto third = Start();
  EXPECT_EQ(third->WaitForExit(10s), std::optional<int>(0));
  EXPECT_TRUE(first->Running());
  EXPECT_TRUE(XScreen::Until([&] { return screen_.StackingIndex(frame) > screen_.StackingIndex(cover); }, 3s))
      << "the answered copy came to the front";

  first->Signal(SIGTERM);
  EXPECT_EQ(first->WaitForExit(15s), std::optional<int>(0));
}

// A copy killed outright leaves its lock and socket files; the next start
// runs all the same, and answers the one after it.
TEST_F(DesktopTest, KilledCopyLeavesNothingInTheWay) {
  {
    auto killed = Start();
    ASSERT_NE(screen_.WaitFor("Quorrel"), None);
    std::this_thread::sleep_for(1s);
    killed->Signal(SIGKILL);
    killed->WaitForExit(5s);
  }
  ASSERT_TRUE(std::filesystem::exists(folder_.PathOf(".QuorrelMutex-4328943230244.socket")));
  auto next = Start();
  std::this_thread::sleep_for(4s);
  EXPECT_TRUE(next->Running());
  EXPECT_NE(screen_.Find("Quorrel"), None);
  auto after = Start();
  EXPECT_EQ(after->WaitForExit(10s), std::optional<int>(0));
  next->Signal(SIGTERM);
  EXPECT_EQ(next->WaitForExit(15s), std::optional<int>(0));
}

// Without a folder for the lock the program says so in a box of its own,
// runs nothing, and the first SIGTERM ends it.
TEST_F(DesktopTest, NoFolderForTheLockIsToldAndNothingRuns) {
  for (const char* home : {"/nonexistent/quorrel-home", ""}) {
    std::map<std::string, std::optional<std::string>> env{{"XDG_RUNTIME_DIR", std::nullopt}};
    env["HOME"] = *home ? std::optional<std::string>(home) : std::nullopt;
    auto program = Start(env);
    EXPECT_NE(screen_.WaitFor("Quorrel error"), None) << home;
    EXPECT_EQ(screen_.Find("Quorrel"), None) << "the program itself does not run";
    program->Signal(SIGTERM);
    EXPECT_EQ(program->WaitForExit(10s), std::optional<int>(1)) << home;
  }
  EXPECT_FALSE(std::filesystem::exists(folder_.PathOf("bids.xml.bad")));
}

// Starts of the same user from other sessions (another runtime folder, or
// none, as from su or cron) meet no lock or socket of the running copy's,
// but they would use its bid list: each says so in a box, ends with 1 and
// writes nothing, and the running copy is the only one.
TEST_F(DesktopTest, CopyFromAnotherSessionWithTheSameFilesIsToldAndEnds) {
  for (const char* run : {"run1", "run2"}) std::filesystem::create_directory(folder_.PathOf(run));
  auto first = Start({{"XDG_RUNTIME_DIR", folder_.PathOf("run1")}});
  ASSERT_NE(screen_.WaitFor("Quorrel"), None);
  std::this_thread::sleep_for(1s);
  const std::string bids = TempFolder::Read(folder_.PathOf("bids.xml"));
  const std::string settings = TempFolder::Read(folder_.PathOf("quorrel.xml"));

  // None: the lock and socket would go in the home folder, the test's folder.
  for (const std::optional<std::string>& runtime : {std::optional(folder_.PathOf("run2")), std::optional<std::string>()}) {
    const std::string name = runtime.value_or("no XDG_RUNTIME_DIR");
    auto other = Start({{"XDG_RUNTIME_DIR", runtime}});
    EXPECT_NE(screen_.WaitFor("Quorrel error", 20s), None) << name;  // after its 5 s of patience
    other->Signal(SIGTERM);
    EXPECT_EQ(other->WaitForExit(10s), std::optional<int>(1)) << name;
  }
  EXPECT_TRUE(first->Running());
  EXPECT_EQ(TempFolder::Read(folder_.PathOf("bids.xml")), bids);
  EXPECT_EQ(TempFolder::Read(folder_.PathOf("quorrel.xml")), settings);
  EXPECT_FALSE(std::filesystem::exists(folder_.PathOf("bids.xml.bad")));

  first->Signal(SIGTERM);
  EXPECT_EQ(first->WaitForExit(15s), std::optional<int>(0));
}

// Drags from another application: each type a browser may offer for a link
// opens the Add dialog for its item. While a box or dialog is open, drops
// are refused (no copy cursor, no drop).
TEST_F(DesktopTest, DropsOfEveryLinkTypeAndNoneWhileALoopRuns) {
  auto program = Start();
  const Window frame = screen_.WaitFor("Quorrel");
  ASSERT_NE(frame, None);
  std::this_thread::sleep_for(1s);
  const auto [x, y] = BelowTheRows(frame);
  const std::string link = "http://127.0.0.1:8480/ws/ViewItem?ViewItem&item=4321";
  const auto drag = [&](const char* type) {
    Process source({QUORREL_TEST_DRAG_SOURCE, std::to_string(x), std::to_string(y), link, type});
    return source.WaitForExit(20s);
  };
  for (const char* type :
       {"UTF8_STRING", "text/plain", "text/plain;charset=utf-8", "text/uri-list", "text/x-moz-url"}) {
    EXPECT_EQ(drag(type), std::optional<int>(0)) << type;
    const Window dialog = screen_.WaitFor("Bid options", 5s);
    EXPECT_NE(dialog, None) << type << " opens the Add dialog";
    if (dialog == None) continue;
    EXPECT_EQ(drag(type), std::optional<int>(2)) << "no second drop while the Add dialog is open";
    screen_.Key(XK_Escape);
    EXPECT_TRUE(XScreen::Until([&] { return screen_.Find("Bid options") == None; }, 5s));
  }

  const auto [rowX, rowY] = FirstRow(frame);
  screen_.Click(rowX, rowY);
  screen_.Key(XK_Delete);
  ASSERT_NE(screen_.WaitFor("Quorrel confirm delete", 5s), None);
  EXPECT_EQ(drag("UTF8_STRING"), std::optional<int>(2)) << "no drop while the Delete confirmation is open";
  EXPECT_EQ(screen_.Find("Bid options"), None);
  program->Signal(SIGTERM);
  EXPECT_EQ(program->WaitForExit(15s), std::optional<int>(0));
  BidList bids;
  EXPECT_TRUE(LoadBidFile(folder_.PathOf("bids.xml"), bids));
  EXPECT_EQ(bids.RowCount(), 2u);
}

// The usual start with the session: the program comes before the tray. The
// icon docks when the tray appears; minimising then hides the window in
// the tray, and a click on the icon brings it back.
TEST_F(DesktopTest, TrayThatComesLaterGetsTheIcon) {
  auto manager = StartWindowManager();
  auto program = Start();
  const Window frame = screen_.WaitFor("Quorrel");
  ASSERT_NE(frame, None);
  std::this_thread::sleep_for(2s);
  auto tray = StartTray();
  const auto icon = DockedIcon(10s);
  ASSERT_TRUE(icon.has_value()) << "the icon docked in the tray that came later";
  std::this_thread::sleep_for(500ms);

  screen_.Iconify(frame);
  EXPECT_TRUE(XScreen::Until([&] { return !screen_.Viewable(frame); }, 5s));
  std::this_thread::sleep_for(500ms);
  screen_.Click(icon->first, icon->second);
  EXPECT_TRUE(XScreen::Until([&] { return screen_.Find("Quorrel") != None; }, 5s)) << "restored by the click";

  program->Signal(SIGTERM);
  EXPECT_EQ(program->WaitForExit(15s), std::optional<int>(0));
}

// The first start without a usable account: the account dialog comes first
// (after the box that says the account file could not be read, never inside
// it), and the list is read only once the dialog has given a location to
// read it from. Reads made while it was open would go nowhere, and the bids
// would stay unread for good.
class FirstStart : public DesktopTest, public testing::WithParamInterface<bool> {};

TEST_P(FirstStart, ReadsTheBidsOnceTheAccountDialogHasClosed) {
  const bool damaged = GetParam();
  const std::uint32_t lamp = site_->AddAuction("Lamp", 3600, 1.0, "rival");
  const std::uint32_t clock = site_->AddAuction("Clock", 3600, 1.0, "rival");
  WriteBids({lamp, clock});
  std::filesystem::remove(folder_.PathOf("account.cfg"));
  if (damaged) folder_.Write("account.cfg", std::string("\xF0\xFF\xFF\xFFQuorrel", 11));
  auto program = Start();

  if (damaged) {
    const Window box = screen_.WaitFor("Quorrel error");
    ASSERT_NE(box, None);
    std::this_thread::sleep_for(3s);
    EXPECT_EQ(screen_.Find("Ebay account info"), None) << "the account dialog waits for the box";
    PointAt(box);
    screen_.Key(XK_Return);
    ASSERT_TRUE(XScreen::Until([&] { return screen_.Find("Quorrel error") == None; }, 5s));
  }
  const Window dialog = screen_.WaitFor("Ebay account info");
  ASSERT_NE(dialog, None);
  std::this_thread::sleep_for(3s);  // past the moment the start's reads were once made
  EXPECT_TRUE(Logged("/ws/ViewItem").empty()) << "nothing is read before there is an account";
  EXPECT_EQ(screen_.Find("Quorrel error"), None) << "no box over the dialog";
  PointAt(dialog);
  screen_.Key(XK_Tab);  // the dialog opens with no field focused: into the first
  Type("sniper");
  screen_.Key(XK_Tab);
  Type("pw");
  screen_.Key(XK_Return);
  ASSERT_TRUE(XScreen::Until([&] { return screen_.Find("Ebay account info") == None; }, 5s));
  const long long closedMs = NowMs();

  const auto read = [&](std::uint32_t item) {
    for (const std::string& line : Logged("/ws/ViewItem")) {
      if (line.find("item=" + std::to_string(item)) != std::string::npos) return true;
    }
    return false;
  };
  EXPECT_TRUE(XScreen::Until([&] { return read(lamp) && read(clock); }, 10s)) << "both read once it closed";
  for (const std::string& line : Logged("/ws/ViewItem")) {
    EXPECT_GE(LocalMs(line), closedMs - 1000) << line;
  }
  program->Signal(SIGTERM);
  EXPECT_EQ(program->WaitForExit(15s), std::optional<int>(0));
  // Each bid's history: read, and never a failed read from before there
  // was an account.
  const std::string history = TempFolder::Read(folder_.PathOf("logs/history.log"));
  for (const std::uint32_t item : {lamp, clock}) {
    EXPECT_NE(history.find("\t" + std::to_string(item) + "\tRead\t"), std::string::npos) << history;
  }
  EXPECT_EQ(history.find("\tRead failed\t"), std::string::npos) << history;
  Account saved;
  ASSERT_TRUE(LoadAccountFile(folder_.PathOf("account.cfg"), ServerList(serversPath_), saved));
  EXPECT_EQ(saved.UserId(), "sniper");
}

INSTANTIATE_TEST_SUITE_P(Program, FirstStart, testing::Values(false, true),  // Xlib takes Bool
                         [](const testing::TestParamInfo<bool>& info) {
                           return std::string(info.param ? "DamagedAccountFile" : "NoAccountFile");
                         });

// A window saved as minimised to the tray stays there at the next start,
// also when the settings file lacks one of its groups.
TEST_F(DesktopTest, WindowSavedInTheTrayStaysThereWithAnIncompleteSettingsFile) {
  ProgramSettings saved;
  saved.checkUpdates = false;
  saved.showState = 2;
  XmlDocument document;
  document.AddElement("quorrel");
  WriteSettings(document, saved);  // and no list layout
  ASSERT_TRUE(document.Save(folder_.PathOf("quorrel.xml")));
  auto manager = StartWindowManager();
  auto tray = StartTray();
  std::this_thread::sleep_for(500ms);
  auto program = Start();
  ASSERT_TRUE(DockedIcon(10s).has_value());
  std::this_thread::sleep_for(3s);
  EXPECT_EQ(screen_.Find("Quorrel"), None) << "still in the tray";
  program->Signal(SIGTERM);
  EXPECT_EQ(program->WaitForExit(15s), std::optional<int>(0));
}

}  // namespace
