#include "app/AboutBox.h"
#include "app/HyperLink.h"
#include "app/MainFrame.h"
#include "app/ModalLoops.h"
#include "app/Services.h"
#include "app/UpgradeDialog.h"
#include "net/VersionInfo.h"
#include "site/Account.h"
#include "site/AccountFile.h"
#include "bids/ListLayout.h"
#include "store/ProgramSettings.h"
#include "store/XmlDocument.h"
#include "support/PracticeSiteFixture.h"
#include "support/ProgramFolder.h"
#include "WindowTestSupport.h"

#include <gtest/gtest.h>

#include <wx/checkbox.h>
#include <wx/stattext.h>

namespace {

// The main window of a program whose executable says 1.0.16.150, with the
// update server played by a practice site publishing the given versions.
class UpdateCheckTest : public testing::Test {
 protected:
  // `quietSettings`: a settings file without the start-up check; otherwise
  // the test has written its own.
  void Start(const std::string& stable, const std::string& beta, bool quietSettings = true) {
    PracticeSiteOptions options;
    options.port = 0;
    options.liveAuctions = 0;
    options.stableVersion = stable;
    options.betaVersion = beta;
    site_ = std::make_unique<PracticeSite>(options);
    ASSERT_TRUE(site_->Start());
    folder_.Write("quorrel", VersionDataMarker() + "1.0.16.150\x02" "Release\x03");
    PrepareProgramFolder(folder_, quietSettings);
    services_ = std::make_unique<Services>(DataPaths(folder_.PathOf("quorrel")));
    frame_ = new MainFrame(*services_);
    frame_->updateHost = site_->Host();
    ASSERT_TRUE(frame_->Initialize());
  }
  void TearDown() override {
    delete frame_;
    if (site_) site_->Stop();
  }
  void Command(int id) {
    wxCommandEvent command(wxEVT_MENU, id);
    frame_->ProcessWindowEvent(command);
  }
  // Lets the `count`th answer arrive and be handled (and shown, if it shows anything).
  void Settle(int count = 1) {
    EXPECT_TRUE(PumpUntil([&] { return frame_->VersionResultsHandled() >= count; }))
        << "the check's result was handled";
  }

  MessageBoxAnswerer boxes_;
  TempFolder folder_;
  std::unique_ptr<PracticeSite> site_;
  std::unique_ptr<Services> services_;
  MainFrame* frame_ = nullptr;
  std::function<void()> poll_;
};

struct CheckCase {
  const char* label;
  const char* stable;
  const char* beta;
  int command;
  const char* box;  // null: nothing is shown
};

class UpdateAnswers : public UpdateCheckTest, public testing::WithParamInterface<CheckCase> {};

TEST_P(UpdateAnswers, TellTheUserOnlyWhatTheyAskedFor) {
  const CheckCase& c = GetParam();
  Start(c.stable, c.beta);
  Command(c.command);
  Settle();
  if (c.box == nullptr) {
    EXPECT_TRUE(boxes_.boxes.empty());
  } else {
    ASSERT_EQ(boxes_.boxes.size(), 1u);
    EXPECT_EQ(boxes_.boxes[0].message, c.box);
    EXPECT_EQ(boxes_.boxes[0].title, "Quorrel info");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Versions, UpdateAnswers,
    testing::Values(
        CheckCase{"same_stable", "1.0.16.150", "0.0.0.0", MainFrame::kCheckUpdate, "You are using the latest stable version."},
        CheckCase{"same_beta", "0.0.0.0", "1.0.16.150", MainFrame::kCheckBeta, "You are using the latest beta version."},
        CheckCase{"older_stable", "0.9.99.999", "0.0.0.0", MainFrame::kCheckUpdate,
                  "You are using a newer version than the latest stable one."},
        CheckCase{"older_beta", "0.0.0.0", "1.0.16.1", MainFrame::kCheckBeta,
                  "You are using a newer version than the latest beta."},
        CheckCase{"no_version", "coming soon", "0.0.0.0", MainFrame::kCheckUpdate, nullptr}),
    [](const testing::TestParamInfo<CheckCase>& info) { return info.param.label; });

// A newer version opens the upgrade dialog, also for the silent check; its
// box decides whether checks go on.
TEST_F(UpdateCheckTest, NewerVersionOffersTheUpgrade) {
  Start("latest=1.0.17.0 (today)", "0.0.0.0");
  bool shown = false;
  frame_->checkUpdates = false;
  // Keeps looking, from inside whatever loop runs, for the dialog to answer.
  const auto answer = [&](bool dontBug) {
    shown = false;
    poll_ = [&, dontBug] {
      auto* dialog = OpenDialog<UpgradeDialog>();
      if (dialog == nullptr) {
        wxTheApp->CallAfter(poll_);
        return;
      }
      EXPECT_EQ(dialog->GetTitle(), "Quorrel upgrade");
      EXPECT_FALSE(Control<wxCheckBox>(dialog, UpgradeDialog::kDontBugId)->GetValue());
      Control<wxCheckBox>(dialog, UpgradeDialog::kDontBugId)->SetValue(dontBug);
      Click(dialog->FindWindow(wxID_OK));
      shown = true;
    };
    wxTheApp->CallAfter(poll_);
  };
  answer(false);
  frame_->CheckForUpdate(0);
  PumpUntil([&] { return shown; }, std::chrono::seconds(5));
  EXPECT_TRUE(shown);
  EXPECT_TRUE(frame_->checkUpdates) << "closed without the box ticked: checks go on";

  answer(true);
  Command(MainFrame::kCheckUpdate);
  PumpUntil([&] { return shown; }, std::chrono::seconds(5));
  EXPECT_FALSE(frame_->checkUpdates);
  EXPECT_TRUE(boxes_.boxes.empty());
}

TEST_F(UpdateCheckTest, SilentCheckOfTheSameVersionShowsNothing) {
  Start("1.0.16.150", "0.0.0.0");
  frame_->CheckForUpdate(0);
  Settle();
  EXPECT_TRUE(boxes_.boxes.empty());
}

TEST_F(UpdateCheckTest, UnreachableServerShowsTheClientsBox) {
  Start("1.0.16.150", "0.0.0.0");
  frame_->updateHost = "127.0.0.1:1";
  Command(MainFrame::kCheckUpdate);
  Settle();
  ASSERT_EQ(boxes_.boxes.size(), 1u);
  EXPECT_EQ(boxes_.boxes[0].title, "Quorrel error");
  EXPECT_NE(boxes_.boxes[0].message.find("Error: 12029"), std::string::npos);
}

// The silent check at start-up says nothing when the update server cannot
// be reached: the user did not ask.
TEST_F(UpdateCheckTest, SilentCheckWithoutTheServerShowsNothing) {
  Start("1.0.16.150", "0.0.0.0");
  frame_->updateHost = "127.0.0.1:1";
  frame_->CheckForUpdate(0);
  Settle();
  EXPECT_TRUE(boxes_.boxes.empty());
}

// The check at start-up goes when the settings were read and ask for it,
// silently; a settings file that lacked a group asks for nothing (only the
// user's own check goes).
TEST_F(UpdateCheckTest, StartUpCheckOnlyWithSoundSettingsThatAskForIt) {
  for (const bool sound : {true, false}) {
    SCOPED_TRACE(sound ? "sound settings" : "a group missing");
    ProgramSettings settings;
    settings.checkUpdates = true;
    XmlDocument document;
    document.AddElement("quorrel");
    WriteSettings(document, settings);
    if (sound) WriteListLayout(document, ListLayout());
    ASSERT_TRUE(document.Save(folder_.PathOf("quorrel.xml")));
    Start("1.0.16.150", "0.0.0.0", false);
    if (sound) {
      Settle();
      EXPECT_TRUE(boxes_.boxes.empty()) << "the same version: nothing to say";
    } else {
      PumpUntil([] { return false; }, std::chrono::milliseconds(1500));
      EXPECT_EQ(frame_->VersionResultsHandled(), 0);
      Command(MainFrame::kCheckUpdate);
      Settle();
      PumpUntil([] { return false; }, std::chrono::milliseconds(500));
      EXPECT_EQ(frame_->VersionResultsHandled(), 1) << "the user's check alone";
      ASSERT_EQ(boxes_.boxes.size(), 1u);
      EXPECT_EQ(boxes_.boxes[0].message, "You are using the latest stable version.");
    }
    delete frame_;
    frame_ = nullptr;
    site_->Stop();
  }
}

// The user's own check that fails is told even while a box of the worker's
// is open (such boxes are otherwise shown one at a time).
TEST_F(UpdateCheckTest, FailedManualCheckIsToldWhileAWorkerBoxIsOpen) {
  Start("1.0.16.150", "0.0.0.0");
  frame_->updateHost = "127.0.0.1:1";
  boxes_.whileOpen = [&] {
    Command(MainFrame::kCheckUpdate);
    Settle();
  };
  services_->ui.PostErrorBox("Error: the worker's box");
  PumpUntil([&] { return boxes_.boxes.size() >= 2; }, std::chrono::seconds(2));
  ASSERT_EQ(boxes_.boxes.size(), 2u);
  EXPECT_EQ(boxes_.boxes[0].message, "Error: the worker's box");
  EXPECT_EQ(boxes_.boxes[1].title, "Quorrel error");
  EXPECT_NE(boxes_.boxes[1].message.find("Error: 12029"), std::string::npos) << boxes_.boxes[1].message;
}

// The end of the session closes the upgrade dialog with Cancel; a ticked
// box still counts.
TEST_F(UpdateCheckTest, TickedBoxCountsWhenTheSessionEndsTheDialog) {
  Start("latest=1.0.17.0 (today)", "0.0.0.0");
  bool ended = false;
  poll_ = [&] {
    auto* dialog = OpenDialog<UpgradeDialog>();
    if (dialog == nullptr) {
      wxTheApp->CallAfter(poll_);
      return;
    }
    Control<wxCheckBox>(dialog, UpgradeDialog::kDontBugId)->SetValue(true);
    ended = ModalLoops::Get().EndInnermost();
  };
  wxTheApp->CallAfter(poll_);
  frame_->CheckForUpdate(0);
  PumpUntil([&] { return ended; }, std::chrono::seconds(5));
  ASSERT_TRUE(ended);
  PumpUntil([&] { return !frame_->checkUpdates; }, std::chrono::seconds(2));
  EXPECT_FALSE(frame_->checkUpdates);
}

TEST_F(UpdateCheckTest, AboutBoxShowsTheVersionAndLinks) {
  Start("1.0.16.150", "0.0.0.0");
  bool checked = false;
  wxTheApp->CallAfter([&] {
    auto* about = OpenDialog<AboutBox>();
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->GetTitle(), "About Quorrel");
    EXPECT_EQ(Control<wxStaticText>(about, AboutBox::kVersionId)->GetLabel(), "Version 0.16 Release (1.0.16.150)");
    EXPECT_EQ(Control<HyperLink>(about, AboutBox::kHomeLinkId)->GetURL(), AboutBox::kHomePage);
    EXPECT_EQ(Control<HyperLink>(about, AboutBox::kSupportLinkId)->GetURL(), AboutBox::kSupportPage);
    EXPECT_EQ(Control<wxStaticText>(about, AboutBox::kFilesId)->GetLabel(),
              "Your files: " + folder_.Folder() + " (portable)");
    checked = true;
    Click(about->FindWindow(wxID_OK));
  });
  Command(MainFrame::kAbout);
  EXPECT_TRUE(checked);
}

}  // namespace
