#include "app/OptionsDialog.h"

#include <wx/checkbox.h>
#include <wx/sizer.h>
#include <wx/statbox.h>

OptionsDialog::OptionsDialog(wxWindow* parent, const Options& options)
    : wxDialog(parent, kDialogId, "Quorrel options"), options_(options) {
  auto* group = new wxStaticBoxSizer(wxVERTICAL, this, "Program options");
  auto* load = new wxCheckBox(group->GetStaticBox(), kLoadId, "Load automatically when Windows starts");
  auto* tray = new wxCheckBox(group->GetStaticBox(), kTrayId, "Minimize to system tray");
  auto* updates = new wxCheckBox(group->GetStaticBox(), kUpdatesId, "Automatically check for updates");
  auto* awake = new wxCheckBox(group->GetStaticBox(), kKeepAwakeId, "Keep the computer awake while a bid is due");
  auto* notify = new wxCheckBox(group->GetStaticBox(), kNotificationsId, "Show desktop notifications of bids");
  load->SetValue(options_.loadAutomatically);
  tray->SetValue(options_.minimizeToTray);
  updates->SetValue(options_.checkUpdates);
  awake->SetValue(options_.keepAwake);
  notify->SetValue(options_.notifications);
  for (wxCheckBox* box : {load, tray, updates, awake, notify}) group->Add(box, 0, wxALL, 6);

  auto* column = new wxBoxSizer(wxVERTICAL);
  column->Add(group, 0, wxEXPAND | wxALL, 10);
  column->Add(CreateButtonSizer(wxOK | wxCANCEL), 0, wxEXPAND | wxALL, 8);
  SetSizerAndFit(column);
  CentreOnParent();

  Bind(wxEVT_BUTTON, [this, load, tray, updates, awake, notify](wxCommandEvent&) {
    options_ = {load->GetValue(), tray->GetValue(), updates->GetValue(), awake->GetValue(), notify->GetValue()};
    EndModal(wxID_OK);
  }, wxID_OK);
}
