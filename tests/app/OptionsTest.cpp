#include "app/OptionsDialog.h"
#include "app/StartupEntry.h"

#include "app/MainFrame.h"
#include "app/Services.h"
#include "site/Account.h"
#include "site/AccountFile.h"
#include "site/ExecutablePath.h"
#include "support/ProgramFolder.h"
#include "support/TempFolder.h"
#include "WindowTestSupport.h"

#include <gtest/gtest.h>

#include <wx/checkbox.h>

#include <cstdlib>
#include <filesystem>

namespace {

TEST(StartupEntry, ExecIsQuotedAsTheFormatWants) {
  EXPECT_EQ(ExecValue("/opt/quorrel/quorrel"), "\"/opt/quorrel/quorrel\"");
  EXPECT_EQ(ExecValue("/home/a b/50% off/q"), "\"/home/a b/50%% off/q\"");
  EXPECT_EQ(ExecValue("/x/\"q\"$HOME`"), "\"/x/\\\\\"q\\\\\"\\\\$HOME\\\\`\"");
  EXPECT_EQ(ExecValue("/x\\y"), "\"/x\\\\\\\\y\"");
}

// Written when on, rewritten for the new place of a moved program, deleted
// when off.
TEST(StartupEntry, WrittenRewrittenAndDeleted) {
  const std::string path = StartupEntryPath();
  ASSERT_EQ(path, std::string(std::getenv("XDG_CONFIG_HOME")) + "/autostart/Quorrel.desktop");
  ASSERT_TRUE(SetStartupEntry(true, "/opt/quorrel/quorrel"));
  EXPECT_EQ(TempFolder::Read(path),
            "[Desktop Entry]\nType=Application\nName=Quorrel\nComment=Quorrel\n"
            "Exec=\"/opt/quorrel/quorrel\"\n");
  ASSERT_TRUE(SetStartupEntry(true, "/home/joe/moved here/quorrel"));
  EXPECT_NE(TempFolder::Read(path).find("Exec=\"/home/joe/moved here/quorrel\"\n"), std::string::npos);
  ASSERT_TRUE(SetStartupEntry(false, "/home/joe/moved here/quorrel"));
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_TRUE(SetStartupEntry(false, "/anything")) << "deleting a missing entry is no error";
}

TEST(StartupEntry, UnwritableFolderReportsNothingAndGivesFalse) {
  TempFolder folder;
  folder.Write("config", "a file, not a folder");
  const std::string saved = std::getenv("XDG_CONFIG_HOME");
  ::setenv("XDG_CONFIG_HOME", folder.PathOf("config").c_str(), 1);
  EXPECT_FALSE(SetStartupEntry(true, "/opt/quorrel/quorrel"));
  ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
}

class OptionsTest : public testing::Test {
 protected:
  void SetUp() override {
    PrepareProgramFolder(folder_);
    services_ = std::make_unique<Services>(DataPaths(folder_.PathOf("quorrel")));
    frame_ = new MainFrame(*services_);
    ASSERT_TRUE(frame_->Initialize());
  }
  void TearDown() override { delete frame_; }

  // Opens Options, sets the boxes, and presses `button`.
  void RunOptions(bool load, bool tray, bool updates, int button) {
    wxTheApp->CallAfter([=] {
      auto* dialog = OpenDialog<OptionsDialog>();
      ASSERT_NE(dialog, nullptr);
      EXPECT_EQ(dialog->GetTitle(), "Quorrel options");
      Control<wxCheckBox>(dialog, OptionsDialog::kLoadId)->SetValue(load);
      Control<wxCheckBox>(dialog, OptionsDialog::kTrayId)->SetValue(tray);
      Control<wxCheckBox>(dialog, OptionsDialog::kUpdatesId)->SetValue(updates);
      Click(dialog->FindWindow(button));
    });
    wxCommandEvent command(wxEVT_MENU, MainFrame::kOptions);
    frame_->ProcessWindowEvent(command);
  }

  TempFolder folder_;
  std::unique_ptr<Services> services_;
  MainFrame* frame_ = nullptr;
};

// With the option on (as at the first start) the entry is there, pointing
// at the running program. OK applies at once; Cancel changes nothing.
TEST_F(OptionsTest, OkAppliesAtOnceCancelChangesNothing) {
  const std::string entry = StartupEntryPath();
  ASSERT_TRUE(std::filesystem::exists(entry));
  EXPECT_NE(TempFolder::Read(entry).find(ExecutablePath()), std::string::npos);

  RunOptions(false, false, false, wxID_CANCEL);
  EXPECT_TRUE(frame_->loadAutomatically);
  EXPECT_TRUE(std::filesystem::exists(entry));

  RunOptions(false, false, false, wxID_OK);
  EXPECT_FALSE(frame_->loadAutomatically);
  EXPECT_FALSE(frame_->minimizeToTray);
  EXPECT_FALSE(frame_->checkUpdates);
  EXPECT_FALSE(std::filesystem::exists(entry));
  EXPECT_FALSE(frame_->HasTrayIcon());

  RunOptions(true, true, true, wxID_OK);
  EXPECT_TRUE(std::filesystem::exists(entry));
}

}  // namespace
