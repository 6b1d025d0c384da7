#include "app/BidOptionsDialog.h"

#include "app/WxText.h"
#include "bids/BidOptions.h"
#include "store/TextNumbers.h"

#include <wx/combobox.h>
#include <wx/msgdlg.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

BidOptionsDialog::BidOptionsDialog(wxWindow* parent, const Bid& bid, const std::vector<std::string>& groups)
    : wxDialog(parent, wxID_ANY, "Bid options"), bid_(bid) {
  item_ = new wxTextCtrl(this, kItemId, std::to_string(bid_.Item()));
  maxBid_ = new wxTextCtrl(this, kMaxBidId, FormatTwoDecimals(bid_.MaxBid()));
  margin_ = new wxTextCtrl(this, kMarginId, std::to_string(bid_.Margin()));
  wxArrayString choices;
  for (const std::string& name : groups) choices.Add(FromSite(name));
  group_ = new wxComboBox(this, kGroupId, FromSite(bid_.group), wxDefaultPosition, wxDefaultSize, choices);
  group_->SetToolTip("Bids of one group stop when one of them is won; empty for none");
  auto* grid = new wxFlexGridSizer(2, 6, 8);
  grid->AddGrowableCol(1);
  for (auto [label, edit] : {std::pair<const char*, wxWindow*>{"Item number:", item_}, {"Maximum bid:", maxBid_},
                             {"Margin:", margin_}, {"Group:", group_}}) {
    grid->Add(new wxStaticText(this, wxID_ANY, label), 0, wxALIGN_CENTER_VERTICAL);
    grid->Add(edit, 1, wxEXPAND);
  }
  auto* column = new wxBoxSizer(wxVERTICAL);
  column->Add(grid, 0, wxEXPAND | wxALL, 10);
  column->Add(CreateButtonSizer(wxOK | wxCANCEL), 0, wxEXPAND | wxALL, 8);
  SetSizerAndFit(column);
  CentreOnParent();

  Bind(wxEVT_BUTTON, [this](wxCommandEvent&) {
    const char* refusal = BidOptions::Check(ToBytes(item_->GetValue()), ToBytes(maxBid_->GetValue()),
                                            ToBytes(margin_->GetValue()), bid_);
    if (refusal == nullptr) {
      bid_.group = BidOptions::GroupName(ToBytes(group_->GetValue()));
      EndModal(wxID_OK);
      return;
    }
    wxMessageBox(refusal, BidOptions::kCaption, wxOK | wxICON_EXCLAMATION);
  }, wxID_OK);
}
