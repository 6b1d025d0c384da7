#include "app/AccountDialog.h"

#include "app/HyperLink.h"
#include "engine/PostingUserInterface.h"
#include "app/WxText.h"
#include "site/FileUrl.h"
#include "site/ServerList.h"

#include <wx/app.h>
#include <wx/button.h>
#include <wx/combobox.h>
#include <wx/msgdlg.h>
#include <wx/sizer.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {
constexpr std::size_t kUserIdLength = 127;
constexpr std::size_t kLocationLength = 254;
}  // namespace

AccountDialog::AccountDialog(wxWindow* parent, const Account& account, const ServerList& servers,
                             HttpClient& client, UserInterface& ui, const std::string& logsFolder)
    : wxDialog(parent, kDialogId, "Ebay account info"),
      working_(account),
      servers_(servers),
      client_(client),
      ui_(ui),
      logsFolder_(logsFolder) {
  const bool wasVerified = account.IsVerified();

  auto* info = new wxStaticBoxSizer(wxVERTICAL, this, "Ebay account information");
  auto* intro = new wxStaticText(info->GetStaticBox(), wxID_ANY,
                                 "Quorrel needs your Ebay account information to place bids on your "
                                 "behalf. This information will be encrypted and saved on you computer.");
  intro->Wrap(FromDIP(380));
  info->Add(intro, 0, wxALL, 6);
  auto* grid = new wxFlexGridSizer(2, 6, 8);
  grid->AddGrowableCol(1);
  userId_ = new wxTextCtrl(info->GetStaticBox(), kUserId);
  userId_->SetMaxLength(kUserIdLength);
  password_ = new wxTextCtrl(info->GetStaticBox(), kPasswordId, {}, wxDefaultPosition,
                             wxDefaultSize, wxTE_PASSWORD);
  password_->SetMaxLength(kUserIdLength);
  location_ = new wxComboBox(info->GetStaticBox(), kLocationId, {}, wxDefaultPosition,
                             wxDefaultSize, 0, nullptr, wxCB_DROPDOWN);
  location_->SetMaxLength(kLocationLength);
  grid->Add(new wxStaticText(info->GetStaticBox(), wxID_ANY, "Ebay username:"), 0, wxALIGN_CENTER_VERTICAL);
  grid->Add(userId_, 1, wxEXPAND);
  grid->Add(new wxStaticText(info->GetStaticBox(), wxID_ANY, "Ebay password:"), 0, wxALIGN_CENTER_VERTICAL);
  grid->Add(password_, 1, wxEXPAND);
  grid->Add(new wxStaticText(info->GetStaticBox(), wxID_ANY, "Location:"), 0, wxALIGN_CENTER_VERTICAL);
  grid->Add(location_, 1, wxEXPAND);
  info->Add(grid, 0, wxEXPAND | wxALL, 6);

  auto* check = new wxStaticBoxSizer(wxVERTICAL, this, "Verification");
  auto* explain = new wxStaticText(check->GetStaticBox(), wxID_ANY,
                                   "Verifying your account with Ebay will check that your account "
                                   "information is correct.");
  explain->Wrap(FromDIP(380));
  check->Add(explain, 0, wxALL, 6);
  auto* verify = new wxButton(check->GetStaticBox(), kVerifyId, "Verify account with Ebay");
  check->Add(verify, 0, wxALL, 6);
  auto* statusRow = new wxBoxSizer(wxHORIZONTAL);
  statusRow->Add(new wxStaticText(check->GetStaticBox(), wxID_ANY, "Account status:"), 0,
                 wxALIGN_CENTER_VERTICAL | wxRIGHT, 6);
  failedLink_ = new HyperLink(check->GetStaticBox(), kFailedLinkId, "Failed",
                              wxString::FromUTF8(FileUrl(logsFolder_ + "account.html")));
  statusText_ = new wxStaticText(check->GetStaticBox(), kStatusId, "");
  statusRow->Add(failedLink_, 0, wxALIGN_CENTER_VERTICAL);
  statusRow->Add(statusText_, 1, wxALIGN_CENTER_VERTICAL);
  check->Add(statusRow, 0, wxEXPAND | wxALL, 6);

  auto* column = new wxBoxSizer(wxVERTICAL);
  column->Add(info, 0, wxEXPAND | wxALL, 8);
  column->Add(check, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, 8);
  column->Add(CreateButtonSizer(wxOK | wxCANCEL), 0, wxEXPAND | wxALL, 8);
  SetSizer(column);
  SetMinSize(wxSize(420, -1));
  Fit();

  std::vector<std::string>& names = locationNames_;
  servers_.ListServerNames(names);
  int selected = names.empty() ? wxNOT_FOUND : 0;
  for (std::size_t i = 0; i < names.size(); ++i) {
    location_->Append(FromSite(names[i]));
    if (names[i] == working_.Profile().name) selected = static_cast<int>(i);  // the last equal one
  }
  if (selected != wxNOT_FOUND) location_->SetSelection(selected);
  userId_->ChangeValue(FromSite(working_.UserId()));
  password_->ChangeValue(FromSite(working_.Password()));
  // Filling the fields counts as a change; a verified account stays so.
  SetStatus(AccountStatus::Unverified);
  if (wasVerified) SetStatus(AccountStatus::Verified);

  const auto edited = [this](wxCommandEvent&) { SetStatus(AccountStatus::Unverified); };
  userId_->Bind(wxEVT_TEXT, edited);
  password_->Bind(wxEVT_TEXT, edited);
  location_->Bind(wxEVT_COMBOBOX, edited);  // typing into the box does not count
  verify->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { Verify(); });
  Bind(wxEVT_BUTTON, [this](wxCommandEvent&) {
    if (ApplyFields()) EndModal(wxID_OK);
  }, wxID_OK);

  CentreOnParent();
}

void AccountDialog::SetStatus(AccountStatus status) {
  status_ = status;
  working_.SetVerified(status == AccountStatus::Verified);
  const bool failed = status == AccountStatus::Failed;
  failedLink_->Show(failed);
  statusText_->Show(!failed);
  if (!failed) statusText_->SetLabel(AccountStatusText(status));
  Layout();
}

bool AccountDialog::ApplyFields() {
  if (working_.IsVerified()) return true;
  // Texts left as they were shown go back as the bytes they came from.
  const auto field = [](const wxString& value, const std::string& shownFrom, std::size_t length) {
    return value == FromSite(shownFrom) ? shownFrom : ToBytes(value.Left(length));
  };
  const std::string userId = field(userId_->GetValue(), working_.UserId(), kUserIdLength);
  const std::string password = field(password_->GetValue(), working_.Password(), kUserIdLength);
  const wxString shownLocation = location_->GetValue().Left(kLocationLength);
  std::string location = ToBytes(shownLocation);
  for (const std::string& name : locationNames_) {
    if (shownLocation == FromSite(name)) location = name;
  }
  if (working_.SetAccount(servers_, userId, password, location)) return true;
  wxMessageBox(kServerError, kServerErrorCaption, wxOK | wxICON_INFORMATION, this);
  return false;
}

struct AccountDialog::Verification {
  explicit Verification(UserInterface& ui) : postingUi(ui) {}
  PostingUserInterface postingUi;  // nothing on its thread waits for a box
  std::atomic<bool> abandon{false};
  bool dialogGone = false;  // user-interface thread only
  std::thread thread;
};

AccountDialog::~AccountDialog() {
  if (!verification_) return;
  verification_->dialogGone = true;
  verification_->abandon = true;
  if (verification_->thread.joinable()) verification_->thread.join();
}

void AccountDialog::Verify() {
  if (status_ == AccountStatus::Checking) return;
  if (!ApplyFields()) return;
  SetStatus(AccountStatus::Checking);
  if (verification_ && verification_->thread.joinable()) {
    // The answer for the fields as they were is no longer wanted.
    verification_->abandon = true;
    verification_->thread.join();
  }
  auto verification = std::make_shared<Verification>(ui_);
  verification_ = verification;
  verification->thread = std::thread([this, verification, account = working_, &client = client_,
                                      logs = logsFolder_] {
    ExchangeOptions options;
    options.waitForBox = false;
    options.abandon = &verification->abandon;
    const AccountStatus status = VerifyAccount(client, verification->postingUi, account, logs, options);
    if (verification->abandon || wxTheApp == nullptr) return;
    wxTheApp->CallAfter([this, verification, status] {
      if (!verification->dialogGone) Verified(status);
    });
  });
}

void AccountDialog::Verified(AccountStatus status) {
  // Edited meanwhile: the answer was for other fields.
  if (status_ != AccountStatus::Checking) return;
  SetStatus(status);
}
