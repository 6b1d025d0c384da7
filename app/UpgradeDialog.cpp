#include "app/UpgradeDialog.h"

#include "app/Artwork.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>
#include <wx/utils.h>

UpgradeDialog::UpgradeDialog(wxWindow* parent, const wxString& homePage)
    : wxDialog(parent, kDialogId, "Quorrel upgrade", wxDefaultPosition, wxDefaultSize, wxCAPTION) {
  auto* text = new wxStaticText(this, kTextId,
                                "There is a more recent version of Quorrel than the one you're using.\n\n"
                                "Go to Quorrel web site for more imformation and to download it.");
  box_ = new wxCheckBox(this, kDontBugId, "Don't bug me anymore about this.");
  auto* site = new wxButton(this, kWebSiteId, "Quorrel web site");
  auto* ok = new wxButton(this, wxID_OK, "OK");
  ok->SetDefault();

  auto* top = new wxBoxSizer(wxHORIZONTAL);
  top->Add(new wxStaticBitmap(this, wxID_ANY, Artwork::Picture()), 0, wxALL, 10);
  top->Add(text, 1, wxALL, 10);
  auto* buttons = new wxBoxSizer(wxHORIZONTAL);
  buttons->Add(box_, 1, wxALIGN_CENTER_VERTICAL);
  buttons->Add(site, 0, wxRIGHT, 8);
  buttons->Add(ok);
  auto* column = new wxBoxSizer(wxVERTICAL);
  column->Add(top, 0, wxEXPAND);
  column->Add(buttons, 0, wxEXPAND | wxALL, 10);
  SetSizerAndFit(column);
  SetEscapeId(wxID_NONE);  // only the two buttons close it
  CentreOnParent();

  ok->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { EndModal(wxID_OK); });
  site->Bind(wxEVT_BUTTON, [this, homePage](wxCommandEvent&) {
    wxLaunchDefaultBrowser(homePage);
    EndModal(wxID_OK);
  });
  Bind(wxEVT_CLOSE_WINDOW, [](wxCloseEvent& event) { event.Veto(); });
}

bool UpgradeDialog::DontBugMe() const { return box_->GetValue(); }
