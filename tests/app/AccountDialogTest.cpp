#include "app/AccountDialog.h"

#include "app/HyperLink.h"
#include "app/WxUserInterface.h"
#include "net/HttpClient.h"
#include "site/ServerList.h"
#include "support/PracticeSiteFixture.h"
#include "WindowTestSupport.h"

#include <gtest/gtest.h>

#include <wx/stattext.h>

#include <filesystem>

namespace {

class AccountDialogTest : public PracticeSiteFixture {
 protected:
  void SetUp() override {
    PracticeSiteFixture::SetUp();
    std::filesystem::create_directory(folder_.PathOf("logs"));
    servers_ = std::make_unique<ServerList>(serversPath_);
  }

  // A servers.xml whose sign-in never works.
  void NeverSignIn() {
    std::string servers = TempFolder::Read(serversPath_);
    const std::string welcome = "<![CDATA[Welcome back, ]]>";
    servers.replace(servers.find(welcome), welcome.size(), "never matches");
    servers_ = std::make_unique<ServerList>(folder_.Write("never.xml", servers));
  }

  std::unique_ptr<AccountDialog> Open(const Account& account) {
    return std::make_unique<AccountDialog>(nullptr, account, *servers_, client_, ui_,
                                           folder_.PathOf("logs/"));
  }
  static wxString StatusShown(AccountDialog& d) {
    auto* link = Control<HyperLink>(&d, AccountDialog::kFailedLinkId);
    auto* label = Control<wxStaticText>(&d, AccountDialog::kStatusId);
    return link->IsShown() ? "link:" + link->GetLabel() : label->GetLabel();
  }

  MessageBoxAnswerer boxes_;
  WxUserInterface ui_;
  HttpClient client_{ui_};
  std::unique_ptr<ServerList> servers_;
};

TEST_F(AccountDialogTest, OpensWithTheAccountAndItsLocation) {
  Account account;
  ASSERT_TRUE(account.SetAccount(*servers_, "joe", "pw", "UK"));
  auto dialog = Open(account);
  EXPECT_EQ(dialog->GetTitle(), "Ebay account info");
  EXPECT_EQ(Control<wxTextCtrl>(dialog.get(), AccountDialog::kUserId)->GetValue(), "joe");
  EXPECT_TRUE(Control<wxTextCtrl>(dialog.get(), AccountDialog::kPasswordId)->HasFlag(wxTE_PASSWORD));
  auto* location = Control<wxComboBox>(dialog.get(), AccountDialog::kLocationId);
  EXPECT_EQ(location->GetCount(), 3u);  // USA, UK, USA (secure)
  EXPECT_EQ(location->GetValue(), "UK");
  EXPECT_EQ(StatusShown(*dialog), "Unverified");
}

// A verified account opens verified; any edit, or another location chosen,
// makes it unverified; typing a location does not.
TEST_F(AccountDialogTest, EditsUnverify) {
  Account account;
  ASSERT_TRUE(account.SetAccount(*servers_, "joe", "pw", "USA"));
  account.SetVerified(true);
  auto dialog = Open(account);
  EXPECT_EQ(StatusShown(*dialog), "Verified");
  auto* location = Control<wxComboBox>(dialog.get(), AccountDialog::kLocationId);
  location->SetValue("US");
  EXPECT_EQ(StatusShown(*dialog), "Verified");
  Choose(location, "UK");
  EXPECT_EQ(StatusShown(*dialog), "Unverified");
  EXPECT_FALSE(dialog->GetAccount().IsVerified());

  auto again = Open(account);
  Type(Control<wxTextCtrl>(again.get(), AccountDialog::kPasswordId), "other");
  EXPECT_EQ(StatusShown(*again), "Unverified");
}

// Typed in, verified against the site (the window answers meanwhile: the
// status says "Checking..." until the reply comes), taken with OK.
TEST_F(AccountDialogTest, VerifyThenOk) {
  auto dialog = Open(Account());
  const int result = RunModal(*dialog, [&] {
    Type(Control<wxTextCtrl>(dialog.get(), AccountDialog::kUserId), "ann");
    Type(Control<wxTextCtrl>(dialog.get(), AccountDialog::kPasswordId), "s3cret");
    Choose(Control<wxComboBox>(dialog.get(), AccountDialog::kLocationId), "UK");
    Click(dialog->FindWindow(AccountDialog::kVerifyId));
    ASSERT_TRUE(PumpUntil([&] { return StatusShown(*dialog) != "Checking..."; }));
    EXPECT_EQ(StatusShown(*dialog), "Verified");
    Click(dialog->FindWindow(wxID_OK));
  });
  EXPECT_EQ(result, wxID_OK);
  EXPECT_EQ(dialog->GetAccount().UserId(), "ann");
  EXPECT_EQ(dialog->GetAccount().Password(), "s3cret");
  EXPECT_EQ(dialog->GetAccount().Profile().name, "UK");
  EXPECT_TRUE(dialog->GetAccount().IsVerified());
  EXPECT_EQ(Logged("/ws/SignIn").size(), 2u);
}

// Once verified, OK takes the account as it was verified: a location typed
// afterwards is not applied.
TEST_F(AccountDialogTest, VerifiedAccountIsNotReread) {
  auto dialog = Open(Account());
  RunModal(*dialog, [&] {
    Type(Control<wxTextCtrl>(dialog.get(), AccountDialog::kUserId), "ann");
    Click(dialog->FindWindow(AccountDialog::kVerifyId));
    ASSERT_TRUE(PumpUntil([&] { return StatusShown(*dialog) != "Checking..."; }));
    Control<wxComboBox>(dialog.get(), AccountDialog::kLocationId)->SetValue("Atlantis");
    Click(dialog->FindWindow(wxID_OK));
  });
  EXPECT_EQ(dialog->GetAccount().Profile().name, "USA");
  EXPECT_TRUE(boxes_.boxes.empty());
}

TEST_F(AccountDialogTest, FailedSignInShowsALinkToTheReply) {
  NeverSignIn();
  auto dialog = Open(Account());
  RunModal(*dialog, [&] {
    Type(Control<wxTextCtrl>(dialog.get(), AccountDialog::kUserId), "ann");
    Click(dialog->FindWindow(AccountDialog::kVerifyId));
    ASSERT_TRUE(PumpUntil([&] { return StatusShown(*dialog) != "Checking..."; }));
    dialog->EndModal(wxID_CANCEL);
  });
  EXPECT_EQ(StatusShown(*dialog), "link:Failed");
  EXPECT_EQ(Control<HyperLink>(dialog.get(), AccountDialog::kFailedLinkId)->GetURL(),
            "file://" + folder_.PathOf("logs/") + "account.html");
  EXPECT_TRUE(std::filesystem::exists(folder_.PathOf("logs/account.html")));
}

TEST_F(AccountDialogTest, NoResponseAfterTheClientsBox) {
  site_->Stop();
  auto dialog = Open(Account());
  RunModal(*dialog, [&] {
    Click(dialog->FindWindow(AccountDialog::kVerifyId));
    ASSERT_TRUE(PumpUntil([&] { return StatusShown(*dialog) != "Checking..."; }));
    dialog->EndModal(wxID_CANCEL);
  });
  EXPECT_EQ(StatusShown(*dialog), "No response from Ebay");
  ASSERT_EQ(boxes_.boxes.size(), 1u);
  EXPECT_EQ(boxes_.boxes[0].title, "Quorrel error");
}

// Texts that are not UTF-8 (a servers.xml in ISO-8859-1, an account.cfg
// written by another program) show as Latin-1; left unchanged they go back
// as the very bytes they came from, so that the location can be saved and
// the user id and password are not re-encoded.
TEST_F(AccountDialogTest, UnchangedTextsKeepTheirBytes) {
  std::string servers = TempFolder::Read(serversPath_);
  const std::string uk = "<server name=\"UK\">";
  servers.replace(servers.find(uk), uk.size(), "<server name=\"\xD6sterreich\">");
  servers_ = std::make_unique<ServerList>(
      folder_.Write("latin1.xml", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n" + servers));
  Account account;
  ASSERT_TRUE(account.SetAccount(*servers_, "j\xF6rg", "p\xE4ss", "USA"));
  auto dialog = Open(account);
  EXPECT_EQ(Control<wxTextCtrl>(dialog.get(), AccountDialog::kUserId)->GetValue(), wxString::FromUTF8("j\xC3\xB6rg"));
  const int result = RunModal(*dialog, [&] {
    Choose(Control<wxComboBox>(dialog.get(), AccountDialog::kLocationId), wxString::FromUTF8("\xC3\x96sterreich"));
    Click(dialog->FindWindow(wxID_OK));
    if (dialog->IsModal()) dialog->EndModal(wxID_CANCEL);
  });
  EXPECT_EQ(result, wxID_OK);
  EXPECT_TRUE(boxes_.boxes.empty());
  EXPECT_EQ(dialog->GetAccount().Profile().name, "\xD6sterreich");
  EXPECT_EQ(dialog->GetAccount().UserId(), "j\xF6rg");
  EXPECT_EQ(dialog->GetAccount().Password(), "p\xE4ss");

  // An edited field gives what the user typed.
  auto edited = Open(dialog->GetAccount());
  RunModal(*edited, [&] {
    Type(Control<wxTextCtrl>(edited.get(), AccountDialog::kUserId), wxString::FromUTF8("j\xC3\xB6rg2"));
    Click(edited->FindWindow(wxID_OK));
    if (edited->IsModal()) edited->EndModal(wxID_CANCEL);
  });
  EXPECT_EQ(edited->GetAccount().UserId(), "j\xC3\xB6rg2");
  EXPECT_EQ(edited->GetAccount().Password(), "p\xE4ss");
  EXPECT_EQ(edited->GetAccount().Profile().name, "\xD6sterreich");
}

// A location that servers.xml does not have keeps the dialog open with the
// configuration message.
TEST_F(AccountDialogTest, UnknownLocationKeepsTheDialogOpen) {
  auto dialog = Open(Account());
  bool stillOpen = false;
  const int result = RunModal(*dialog, [&] {
    Control<wxComboBox>(dialog.get(), AccountDialog::kLocationId)->SetValue("Atlantis");
    Click(dialog->FindWindow(wxID_OK));
    stillOpen = dialog->IsModal();
    dialog->EndModal(wxID_CANCEL);
  });
  EXPECT_TRUE(stillOpen);
  EXPECT_EQ(result, wxID_CANCEL);
  ASSERT_EQ(boxes_.boxes.size(), 1u);
  EXPECT_EQ(boxes_.boxes[0].title, AccountDialog::kServerErrorCaption);
  EXPECT_EQ(boxes_.boxes[0].message, AccountDialog::kServerError);
  EXPECT_TRUE(boxes_.boxes[0].style & wxICON_INFORMATION);
}

}  // namespace
