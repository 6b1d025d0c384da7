#pragma once

#include <wx/dialog.h>

class wxCheckBox;

// "Quorrel upgrade": a newer version exists. Only its two buttons close
// it (and the end of the program); afterwards DontBugMe() tells whether the
// user wants no more checks, however it was closed.
class UpgradeDialog : public wxDialog {
 public:
  enum Ids { kDialogId = 212, kTextId = 1008, kWebSiteId = 1018, kDontBugId = 1011 };

  UpgradeDialog(wxWindow* parent, const wxString& homePage);
  bool DontBugMe() const;

 private:
  wxCheckBox* box_;
};
