#include "app/ErrorReportDialog.h"

#include "app/WxText.h"

#include <wx/artprov.h>
#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/utils.h>

ErrorReportDialog::ErrorReportDialog(wxWindow* parent, const std::string& cause,
                                     const std::string& page)
    : wxDialog(parent, kDialogId, "Quorrel - Uh, oh!", wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER) {
  auto* top = new wxBoxSizer(wxHORIZONTAL);
  top->Add(new wxStaticBitmap(this, kIconId, wxArtProvider::GetBitmap(wxART_WARNING, wxART_MESSAGE_BOX)),
           0, wxALL, 10);
  auto* message = new wxStaticText(
      this, wxID_ANY,
      "It looks like Quorrel couldn't communicate with Ebay correctly. It's most likely due to Ebay "
      "changing the formatting of their auctions.\n\nPlease report this error using the button below "
      "so it can be corrected right away.");
  message->Wrap(FromDIP(440));
  top->Add(message, 1, wxALL, 10);

  // The pages this report exists for are often not text at all: a text
  // control refuses such text whole, so every byte is shown visibly.
  auto* causeText = new wxTextCtrl(this, kCauseId, VisibleText(cause), wxDefaultPosition,
                                   wxSize(-1, 48), wxTE_MULTILINE | wxTE_READONLY);
  auto* logText = new wxTextCtrl(this, kLogId, VisibleText(page), wxDefaultPosition, wxSize(520, 220),
                                 wxTE_MULTILINE | wxTE_READONLY | wxVSCROLL);

  auto* email = new wxButton(this, kEmailId, "Email report");
  email->Disable();  // nothing is composed or sent
  auto* buttons = new wxBoxSizer(wxHORIZONTAL);
  buttons->Add(email, 0, wxRIGHT, 8);
  buttons->Add(new wxButton(this, wxID_OK, "OK"));

  auto* column = new wxBoxSizer(wxVERTICAL);
  column->Add(top, 0, wxEXPAND);
  column->Add(new wxStaticText(this, wxID_ANY, "Cause:"), 0, wxLEFT | wxRIGHT, 10);
  column->Add(causeText, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, 10);
  column->Add(new wxStaticText(this, wxID_ANY, "Log:"), 0, wxLEFT | wxRIGHT, 10);
  column->Add(logText, 1, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, 10);
  column->Add(buttons, 0, wxALIGN_RIGHT | wxALL, 10);
  SetSizerAndFit(column);
  SetEscapeId(wxID_OK);
  CentreOnParent();
}

int ErrorReportDialog::ShowModal() {
  wxBell();
  return wxDialog::ShowModal();
}
