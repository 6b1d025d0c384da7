#pragma once

#include "site/Account.h"
#include "site/AccountVerifier.h"

#include <wx/dialog.h>

#include <memory>
#include <string>
#include <vector>

class HttpClient;
class HyperLink;
class ServerList;
class UserInterface;
class wxComboBox;
class wxStaticText;
class wxTextCtrl;

// "Ebay account info": the user's site account, edited on a working copy,
// and checked against the site by signing in once. After OK, Account()
// holds the edited account.
class AccountDialog : public wxDialog {
 public:
  enum Ids {
    kDialogId = 207,
    kUserId = 1002,
    kPasswordId = 1003,
    kLocationId = 1004,
    kVerifyId = 1022,
    kFailedLinkId = 1023,
    kStatusId = 1024,
  };
  static constexpr const char* kServerError =
      "Server parameters are invalid. Make sure that the data in the servers.xml file is well formed.";
  static constexpr const char* kServerErrorCaption = "Server configuration error";

  AccountDialog(wxWindow* parent, const Account& account, const ServerList& servers,
                HttpClient& client, UserInterface& ui, const std::string& logsFolder);

  ~AccountDialog() override;  // an unfinished verification is given up

  const Account& GetAccount() const { return working_; }
  AccountStatus GetStatus() const { return status_; }

 private:
  void SetStatus(AccountStatus status);
  // Takes the fields into the working copy, unless it is verified already.
  bool ApplyFields();
  void Verify();
  void Verified(AccountStatus status);

  Account working_;
  const ServerList& servers_;
  HttpClient& client_;
  UserInterface& ui_;
  std::string logsFolder_;
  AccountStatus status_ = AccountStatus::Unverified;
  // The verification runs on a thread of its own, so that the window
  // answers meanwhile; its result comes back to the user-interface thread.
  struct Verification;
  std::shared_ptr<Verification> verification_;
  std::vector<std::string> locationNames_;  // as servers.xml spells them

  wxTextCtrl* userId_;
  wxTextCtrl* password_;
  wxComboBox* location_;
  HyperLink* failedLink_;
  wxStaticText* statusText_;
};
