// The main window against the practice site, with logind and a
// notification service mocked on D-Bus daemons of the test's own: the sleep
// lock taken while a bid is due and released after its end, the re-read
// after a sleep, a desktop without logind, and the notifications of a bid's
// results with their action.
#include "app/BidListView.h"
#include "app/DesktopNotifier.h"
#include "app/MainFrame.h"
#include "app/OptionsDialog.h"
#include "app/Services.h"
#include "bids/BidList.h"
#include "site/AccountFile.h"
#include "site/ServerList.h"
#include "store/BidFile.h"
#include "support/PracticeSiteFixture.h"
#include "support/ProgramFolder.h"
#include "support/PrivateBus.h"
#include "support/QuietSettings.h"
#include "WindowTestSupport.h"

#include <gtest/gtest.h>

#include <glib.h>
#include <wx/checkbox.h>
#include <wx/statusbr.h>
#include <wx/timer.h>

#include <csignal>
#include <map>
#include <sstream>
#include <tuple>

using namespace std::chrono_literals;

namespace {

class DesktopTest : public PracticeSiteFixture {
 protected:
  void SetUp() override {
    PracticeSiteFixture::SetUp();
    ASSERT_TRUE(WriteVerifiedAccount(folder_.PathOf("account.cfg"), serversPath_));
    WriteQuietSettings(folder_.PathOf("quorrel.xml"));
  }
  void TearDown() override {
    delete frame_;
    PracticeSiteFixture::TearDown();
  }

  // `system`: the address the program takes for the system bus.
  void StartProgram(const std::vector<std::tuple<std::uint32_t, float, int>>& bids, const std::string& system) {
    ::setenv("DBUS_SYSTEM_BUS_ADDRESS", system.c_str(), 1);
    ::setenv("DBUS_SESSION_BUS_ADDRESS", session_.Address().c_str(), 1);
    ASSERT_TRUE(WriteBidList(folder_.PathOf("bids.xml"), bids));
    services_ = std::make_unique<Services>(DataPaths(folder_.PathOf("quorrel")));
    frame_ = new MainFrame(*services_);
    ASSERT_TRUE(frame_->Initialize());
    frame_->Show();
  }

  // The window's own loop stands in for the program's: GLib's sources (the
  // bus), queued calls and idle time.
  bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (true) {
      while (g_main_context_iteration(nullptr, FALSE)) {
      }
      wxTheApp->ProcessPendingEvents();
      wxIdleEvent idle;
      frame_->ProcessWindowEvent(idle);
      if (done()) return true;
      if (std::chrono::steady_clock::now() > end) return false;
      std::this_thread::sleep_for(20ms);
    }
  }

  std::string Status() const { return frame_->GetStatusBar()->GetStatusText(1).utf8_string(); }
  // The bids are read from the file, under ids of their own.
  const Bid* BidOf(std::uint32_t item) const {
    for (const Bid& bid : frame_->List().Shown().rows) {
      if (bid.Item() == item) return &bid;
    }
    return nullptr;
  }
  BidStatus StatusOf(std::uint32_t item) const {
    const Bid* bid = BidOf(item);
    return bid != nullptr ? bid->status : BidStatus::Unknown;
  }
  std::string Inhibitors() const {
    return system_.Call("org.freedesktop.login1", "/org/freedesktop/login1",
                        "org.freedesktop.login1.Manager.ListInhibitors");
  }
  std::size_t Reads(std::uint32_t item) const {
    std::size_t count = 0;
    for (const std::string& line : Logged("/ws/ViewItem")) {
      if (line.find("item=" + std::to_string(item) + "\"") != std::string::npos) ++count;
    }
    return count;
  }

  MessageBoxAnswerer boxes_;  // a failed placement's box
  PrivateBus system_;
  PrivateBus session_;
  std::unique_ptr<Services> services_;
  MainFrame* frame_ = nullptr;
};

class SleepLock : public DesktopTest {
 protected:
  void SetUp() override {
    DesktopTest::SetUp();
    ASSERT_TRUE(system_.Mock("logind", "org.freedesktop.login1", true, folder_.PathOf("logind.log")));
  }
};

// A bid due in seconds takes the lock at once, naming the bid; one due in
// an hour alone would not. After the end's final read it is released.
TEST_F(SleepLock, HeldWhileABidIsDueReleasedAfterItsEnd) {
  const std::uint32_t soon = site_->AddAuction("Soon", 14, 5.0, "rival");
  const std::uint32_t later = site_->AddAuction("Later", 3600, 5.0, "rival");
  StartProgram({{soon, 20.0f, 4}, {later, 20.0f, 4}}, system_.Address());

  ASSERT_TRUE(RunUntil([&] { return Inhibitors().find("'Quorrel'") != std::string::npos; }, 8s)) << Inhibitors();
  const std::string held = Inhibitors();
  EXPECT_NE(held.find("('sleep:idle', 'Quorrel', 'Bid on item " + std::to_string(soon) + " due at "),
            std::string::npos) << held;
  EXPECT_NE(held.find("'block'"), std::string::npos) << held;
  ASSERT_TRUE(RunUntil([&] { return Status().rfind(MainFrame::kKeepingAwake, 0) == 0; }, 2s)) << Status();
  EXPECT_EQ(Status().size(), std::string(MainFrame::kKeepingAwake).size() + 8) << Status();

  ASSERT_TRUE(RunUntil([&] { return StatusOf(soon) == BidStatus::Won; }, 20s));
  ASSERT_TRUE(RunUntil([&] { return Inhibitors().find("'Quorrel'") == std::string::npos; }, 3s)) << Inhibitors();
  EXPECT_EQ(Status(), "Ready");
  EXPECT_EQ(StatusOf(later), BidStatus::Watching);
}

// The Options dialog stays open while the bid falls due: the bid goes all
// the same, and turning the option off there releases the lock.
TEST_F(SleepLock, BidGoesWhileOptionsAreOpenAndTheOptionReleasesTheLock) {
  const std::uint32_t soon = site_->AddAuction("Soon", 10, 5.0, "rival");
  StartProgram({{soon, 20.0f, 4}}, system_.Address());
  ASSERT_TRUE(RunUntil([&] { return Inhibitors().find("'Quorrel'") != std::string::npos; }, 8s));

  bool committed = false;
  wxTimer poll;
  poll.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
    auto* dialog = OpenDialog<OptionsDialog>();
    if (dialog == nullptr) return;
    committed = !Logged("/ws/AcceptBid").empty();
    if (!committed && site_->SiteNow() < site_->EndTime(soon) + 2) return;
    poll.Stop();
    auto* awake = Control<wxCheckBox>(dialog, OptionsDialog::kKeepAwakeId);
    EXPECT_TRUE(awake->GetValue());
    EXPECT_EQ(awake->GetLabel(), "Keep the computer awake while a bid is due");
    awake->SetValue(false);
    Click(dialog->FindWindow(wxID_OK));
  });
  poll.Start(100);
  wxCommandEvent command(wxEVT_MENU, MainFrame::kOptions);
  frame_->ProcessWindowEvent(command);
  EXPECT_TRUE(committed) << "the commit went while the dialog was open";
  EXPECT_FALSE(frame_->keepAwake);
  EXPECT_TRUE(RunUntil([&] { return Inhibitors().find("'Quorrel'") == std::string::npos; }, 3s)) << Inhibitors();
}

// On waking (PrepareForSleep false) the Watching bid is read at once; the
// ended one is not.
TEST_F(SleepLock, WatchingBidsReadAgainOnResume) {
  const std::uint32_t running = site_->AddAuction("Running", 3600);
  const std::uint32_t ended = site_->AddAuction("Ended", 3600);
  StartProgram({{running, 20.0f, 4}, {ended, 20.0f, 4}}, system_.Address());
  const Bid* endedBid = BidOf(ended);
  ASSERT_NE(endedBid, nullptr);
  const std::uint32_t endedId = endedBid->Id();
  frame_->List().Engine().Call([&](BidList& list) { list.FindBidById(endedId)->status = BidStatus::Ended; });
  ASSERT_TRUE(RunUntil([&] { return StatusOf(running) == BidStatus::Watching; }, 5s));
  RunUntil([] { return false; }, 500ms);
  const std::size_t before = Reads(running), endedBefore = Reads(ended);
  ASSERT_TRUE(system_.Emit("org.freedesktop.login1", "/org/freedesktop/login1", "org.freedesktop.login1.Manager",
                           "PrepareForSleep", "b", "[<false>]"));
  EXPECT_TRUE(RunUntil([&] { return Reads(running) > before; }, 3s));
  EXPECT_EQ(Reads(ended), endedBefore);
}

// Without logind (a system bus without it, or no system bus at all) the
// status bar says so, and the bid still goes.
class NoLogind : public DesktopTest, public testing::WithParamInterface<bool> {};

TEST_P(NoLogind, SaidInTheStatusBarAndTheBidStillGoes) {
  const bool bus = GetParam();
  const std::uint32_t soon = site_->AddAuction("Soon", 10, 5.0, "rival");
  StartProgram({{soon, 20.0f, 4}}, bus ? system_.Address() : "unix:path=" + folder_.PathOf("no-bus"));
  ASSERT_TRUE(RunUntil([&] { return Status().rfind(MainFrame::kCannotKeepAwake, 0) == 0; }, 8s)) << Status();
  EXPECT_TRUE(RunUntil([&] { return StatusOf(soon) == BidStatus::Won; }, 15s));
  EXPECT_EQ(Status(), "Ready");
}

INSTANTIATE_TEST_SUITE_P(Desktop, NoLogind, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& info) { return info.param ? "NoService" : "NoBus"; });

class Notifications : public DesktopTest {
 protected:
  void SetUp() override {
    DesktopTest::SetUp();
    ASSERT_TRUE(session_.Mock("notification_daemon", "org.freedesktop.Notifications", false, Log()));
  }
  std::string Log() const { return folder_.PathOf("notifications.log"); }
  // The notifications as the service logged them, in order (the n-th has
  // the id n).
  std::vector<std::string> Notified() const {
    std::vector<std::string> lines;
    std::istringstream log(TempFolder::Read(Log()));
    for (std::string line; std::getline(log, line);) {
      if (line.find(" Notify ") != std::string::npos) lines.push_back(line);
    }
    return lines;
  }
  // The index of the one that says `text`.
  std::optional<std::size_t> Find(const std::string& text) const {
    const auto lines = Notified();
    for (std::size_t i = 0; i < lines.size(); ++i) {
      if (lines[i].find(text) != std::string::npos) return i;
    }
    return std::nullopt;
  }
};

// Won, lost (naming the price), a placement that failed (with its error),
// the warning ahead of the moment, and placed (with the amount and how long
// before the end); choosing a notification's action, or clicking its body,
// brings its bid forward.
TEST_F(Notifications, ResultsFailuresAndWarningsAndTheActionSelectsTheBid) {
  const std::uint32_t won = site_->AddAuction("Pocket watch", 12, 5.0, "rival");
  const std::uint32_t lost = site_->AddAuction("Teapot", 12, 30.0, "rival");
  const std::uint32_t failed = site_->AddAuction("Camera", 12, 5.0, "rival");
  site_->FailBidSetup(failed);
  StartProgram({{won, 20.0f, 4}, {lost, 20.0f, 4}, {failed, 20.0f, 4}}, system_.Address());
  const auto name = [](const char* title, std::uint32_t item) {
    return std::string(title) + " (item " + std::to_string(item) + ")";
  };
  ASSERT_TRUE(RunUntil([&] {
    return Find("\"Auction won\" \"" + name("Pocket watch", won)).has_value() &&
           Find("\"Auction lost\" \"" + name("Teapot", lost)).has_value() &&
           Find("\"Bid not placed\" \"" + name("Camera", failed)).has_value();
  }, 25s)) << TempFolder::Read(Log());

  const auto lines = Notified();
  const std::string log = TempFolder::Read(Log());
  EXPECT_NE(log.find("\"Auction won\" \"" + name("Pocket watch", won) + " is yours at US $"), std::string::npos) << log;
  EXPECT_NE(log.find("\"Auction lost\" \"" + name("Teapot", lost) + " ended with another high bidder, at US $30.00."),
            std::string::npos) << log;
  EXPECT_NE(log.find("\"Bid may fail\" \"" + name("Teapot", lost) +
                     ": The maximum bid is not above the current bid (US $30.00)."),
            std::string::npos) << log;
  EXPECT_NE(log.find("\"Bid not placed\" \"" + name("Camera", failed) + ": "), std::string::npos) << log;
  const auto placed = Find("placed on " + name("Pocket watch", won));
  ASSERT_TRUE(placed.has_value()) << log;
  EXPECT_NE(lines[*placed].find("\"Bid of 20.00 placed on " + name("Pocket watch", won) + "; the commit arrived "),
            std::string::npos) << lines[*placed];
  EXPECT_NE(lines[*placed].find("s before the end."), std::string::npos) << lines[*placed];
  EXPECT_NE(lines[*placed].find("\"show-bid\", \"Show bid\""), std::string::npos) << lines[*placed];
  EXPECT_NE(lines[*placed].find("\"default\", \"Show bid\""), std::string::npos) << lines[*placed];

  // The window hidden and no row selected: the "Show bid" action of the
  // win's notification, and a click on the body of the loss's (the action
  // "default"), each show the window with its bid (a notification's id is
  // its place in the log).
  const std::tuple<const char*, std::string, std::uint32_t> clicks[] = {
      {DesktopNotifier::kShowAction, "\"Auction won\" \"" + name("Pocket watch", won), won},
      {"default", "\"Auction lost\" \"" + name("Teapot", lost), lost}};
  for (const auto& [action, said, item] : clicks) {
    SCOPED_TRACE(action);
    frame_->List().SelectOnly(-1);
    frame_->Hide();
    const std::size_t id = *Find(said) + 1;
    ASSERT_TRUE(session_.Emit("org.freedesktop.Notifications", "/org/freedesktop/Notifications",
                              "org.freedesktop.Notifications", "ActionInvoked", "us",
                              "[<uint32 " + std::to_string(id) + ">, <'" + action + "'>]"));
    ASSERT_TRUE(RunUntil([&] { return frame_->List().SelectedCount() == 1; }, 3s));
    EXPECT_TRUE(frame_->IsShown());
    const Bid* selected = &frame_->List().Shown().rows[static_cast<std::size_t>(frame_->List().FirstSelected())];
    EXPECT_EQ(selected->Item(), item);
  }
}

// Turned off in the options, nothing is notified.
TEST_F(Notifications, NoneWhenTurnedOff) {
  const std::uint32_t won = site_->AddAuction("Pocket watch", 8, 5.0, "rival");
  StartProgram({{won, 20.0f, 4}}, system_.Address());
  frame_->notifications = false;
  ASSERT_TRUE(RunUntil([&] { return StatusOf(won) == BidStatus::Won; }, 15s));
  RunUntil([] { return false; }, 500ms);
  EXPECT_TRUE(Notified().empty()) << TempFolder::Read(Log());
}

// A service that holds the name but does not answer (hung, or still being
// started by the bus) holds neither the window nor the program's end: the
// notice waits for its first answer, and goes out once it comes.
TEST_F(Notifications, AServiceThatDoesNotAnswerHoldsNothing) {
  ::setenv("DBUS_SESSION_BUS_ADDRESS", session_.Address().c_str(), 1);
  const std::string owner = session_.Call("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                          "org.freedesktop.DBus.GetConnectionUnixProcessID",
                                          "org.freedesktop.Notifications");
  const std::size_t number = owner.find("uint32 ");
  ASSERT_NE(number, std::string::npos) << owner;
  const pid_t service = static_cast<pid_t>(std::stol(owner.substr(number + 7)));
  ASSERT_EQ(::kill(service, SIGSTOP), 0);
  DesktopNotifier notifier([](std::uint32_t) {});
  const auto start = std::chrono::steady_clock::now();
  notifier.Show(7, BidNotice{"Auction won", "Pocket watch (item 7) is yours.", BidNotice::Kind::Info});
  for (int i = 0; i < 25; ++i) {
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
    std::this_thread::sleep_for(20ms);
  }
  const auto took = std::chrono::steady_clock::now() - start;
  const bool noneYet = Notified().empty();  // before the service may wake
  ::kill(service, SIGCONT);
  EXPECT_LT(took, 3s);
  EXPECT_TRUE(noneYet);

  const auto end = std::chrono::steady_clock::now() + 10s;
  while (!Find("\"Auction won\"").has_value() && std::chrono::steady_clock::now() < end) {
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
    std::this_thread::sleep_for(20ms);
  }
  EXPECT_TRUE(Find("\"Auction won\"").has_value()) << TempFolder::Read(Log());
}

}  // namespace

namespace {

// A site's title is text: the service, which reads bodies as markup, gets
// it escaped. A warning whose reason ends a sentence gets no second stop.
TEST_F(Notifications, TitlesAreTextAndSentencesEndOnce) {
  ::setenv("DBUS_SESSION_BUS_ADDRESS", session_.Address().c_str(), 1);
  DesktopNotifier notifier([](std::uint32_t) {});
  BidEvent warning;
  warning.kind = BidEvent::Kind::Warning;
  warning.details = "The site cannot be reached: Error: 12045 The certificate of h is not trusted.";
  const auto notice = BidNotice::For(warning, BidNotice::NameOf("Salt & <b>pepper</b>", 7));
  ASSERT_TRUE(notice.has_value());
  EXPECT_EQ(notice->text.find(".."), std::string::npos) << notice->text;
  notifier.Show(7, *notice);
  const auto end = std::chrono::steady_clock::now() + 10s;
  while (!Find("Bid may fail").has_value() && std::chrono::steady_clock::now() < end) {
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
    std::this_thread::sleep_for(20ms);
  }
  const std::string log = TempFolder::Read(Log());
  EXPECT_NE(log.find("Salt &amp; &lt;b&gt;pepper&lt;/b&gt; (item 7): The site cannot be reached"), std::string::npos)
      << log;
}

}  // namespace
