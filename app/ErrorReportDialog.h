#pragma once

#include <wx/dialog.h>

#include <string>

// "Quorrel - Uh, oh!": a page did not match the patterns. Shows the cause
// and the page as received, so that the user can see what the site sent.
class ErrorReportDialog : public wxDialog {
 public:
  enum Ids { kDialogId = 213, kIconId = 1020, kLogId = 1015, kCauseId = 1016, kEmailId = 1017 };

  ErrorReportDialog(wxWindow* parent, const std::string& cause, const std::string& page);

  int ShowModal() override;  // sounds the exclamation beep first
};
