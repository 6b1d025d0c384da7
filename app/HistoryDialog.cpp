#include "app/HistoryDialog.h"

#include "app/WxText.h"

#include <wx/button.h>
#include <wx/listctrl.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

HistoryDialog::HistoryDialog(wxWindow* parent, const wxString& heading,
                             const std::vector<HistoryLog::Line>& lines)
    : wxDialog(parent, wxID_ANY, "Bid history", wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER) {
  list_ = new wxListCtrl(this, kListId, wxDefaultPosition, wxSize(820, 320),
                         wxLC_REPORT | wxLC_SINGLE_SEL | wxBORDER_SUNKEN);
  list_->AppendColumn("Local time", wxLIST_FORMAT_LEFT, 170);
  list_->AppendColumn("Site time", wxLIST_FORMAT_LEFT, 95);
  list_->AppendColumn("Event", wxLIST_FORMAT_LEFT, 135);
  list_->AppendColumn("Details", wxLIST_FORMAT_LEFT, 400);
  for (const HistoryLog::Line& line : lines) {
    const long row = list_->InsertItem(list_->GetItemCount(), FromSite(line.localTime));
    list_->SetItem(row, 1, FromSite(line.siteTime));
    list_->SetItem(row, 2, FromSite(line.event));
    list_->SetItem(row, 3, FromSite(line.details));
  }
  if (!lines.empty()) list_->EnsureVisible(list_->GetItemCount() - 1);  // the newest

  auto* column = new wxBoxSizer(wxVERTICAL);
  column->Add(new wxStaticText(this, wxID_ANY, heading), 0, wxLEFT | wxRIGHT | wxTOP, 10);
  if (lines.empty()) column->Add(new wxStaticText(this, wxID_ANY, kNothing), 0, wxLEFT | wxRIGHT | wxTOP, 10);
  column->Add(list_, 1, wxEXPAND | wxALL, 10);
  column->Add(CreateStdDialogButtonSizer(wxCLOSE), 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, 8);
  SetAffirmativeId(wxID_CLOSE);
  SetEscapeId(wxID_CLOSE);
  SetSizerAndFit(column);
  CentreOnParent();
}
