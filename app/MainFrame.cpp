#include "app/MainFrame.h"

#include "app/Artwork.h"
#include "app/BidListView.h"
#include "app/Services.h"
#include "app/TrayIcon.h"

#include <wx/accel.h>
#include <wx/menu.h>
#include <wx/statbmp.h>
#include <wx/statusbr.h>
#include <wx/toolbar.h>

namespace {
using List = BidListView;
}  // namespace

MainFrame::MainFrame(Services& services)
    : wxFrame(nullptr, wxID_ANY, "Quorrel", wxDefaultPosition, wxSize(760, 420)), services_(services) {
  SetIcon(Artwork::ProgramIcon());
  BuildMenus();
  BuildToolbar();
  BuildStatusBar();
  list_ = new BidListView(this, services_);

  wxAcceleratorEntry keys[] = {{wxACCEL_NORMAL, WXK_DELETE, List::kDelete},
                               {wxACCEL_NORMAL, WXK_F5, List::kRefreshAll}};
  SetAcceleratorTable(wxAcceleratorTable(2, keys));

  // The list's commands go on to the list.
  for (const int id : {List::kAdd, List::kDelete, List::kEdit, List::kRefresh, List::kRefreshAll,
                       List::kAccount, List::kGoToPage}) {
    Bind(wxEVT_MENU, [this](wxCommandEvent& event) { list_->RunCommand(event.GetId()); }, id);
  }
  Bind(wxEVT_UPDATE_UI, [this](wxUpdateUIEvent& event) { event.Enable(list_->SelectedCount() == 1); },
       List::kEdit);
  Bind(wxEVT_UPDATE_UI, [this](wxUpdateUIEvent& event) { event.Enable(list_->SelectedCount() == 1); },
       List::kRefresh);
  Bind(wxEVT_UPDATE_UI, [this](wxUpdateUIEvent& event) { event.Enable(list_->SelectedCount() == 1); },
       List::kGoToPage);
  Bind(wxEVT_UPDATE_UI, [this](wxUpdateUIEvent& event) { event.Enable(list_->SelectedCount() >= 1); },
       List::kDelete);
  // These open dialogs that are not built yet.
  for (const int id : {kOptions, kCheckUpdate, kCheckBeta, kAbout}) {
    Bind(wxEVT_UPDATE_UI, [](wxUpdateUIEvent& event) { event.Enable(false); }, id);
  }

  Bind(wxEVT_MENU, [this](wxCommandEvent&) { Close(); }, kExit);
  Bind(wxEVT_MENU, [this](wxCommandEvent&) { RestoreFromTray(); }, kRestore);
  Bind(wxEVT_MENU, [this](wxCommandEvent&) { ShowToolbar(!toolbarVisible_); }, kToggleToolbar);
  Bind(wxEVT_MENU, [this](wxCommandEvent&) { ShowStatusBar(!statusBarVisible_); }, kToggleStatusBar);

  list_->Bind(wxEVT_CONTEXT_MENU, [this](wxContextMenuEvent& event) {
    wxMenu menu;
    menu.Append(List::kAdd, "Add...");
    menu.Append(List::kDelete, "Delete");
    menu.Append(List::kEdit, "Edit...");
    menu.Append(List::kGoToPage, "Go to Ebay page");
    menu.Append(List::kRefresh, "Refresh");
    const wxPoint at = event.GetPosition() == wxDefaultPosition ? wxDefaultPosition
                                                                : ScreenToClient(event.GetPosition());
    PopupMenu(&menu, at);
  });
  Bind(wxEVT_IDLE, [this](wxIdleEvent& event) {
    UpdateStatus();
    event.Skip();
  });
  Bind(wxEVT_ICONIZE, &MainFrame::OnIconize, this);
  Bind(wxEVT_CLOSE_WINDOW, &MainFrame::OnClose, this);
}

MainFrame::~MainFrame() = default;

void MainFrame::BuildMenus() {
  auto* bid = new wxMenu;
  bid->Append(List::kAdd, "Add...", "Add a new bid");
  bid->Append(List::kDelete, "Delete\tDel", "Delete bid");
  bid->Append(List::kEdit, "Edit...", "Edit bid information");
  bid->Append(List::kGoToPage, "&Go to Ebay page");
  bid->Append(List::kRefresh, "Refresh", "Refresh bid status with Ebay");
  bid->AppendSeparator();
  bid->Append(List::kRefreshAll, "Refresh all\tF5", "Refresh status of all bids");
  auto* view = new wxMenu;
  view->AppendCheckItem(kToggleToolbar, "&Toolbar", "Show or hide the toolbar");
  view->AppendCheckItem(kToggleStatusBar, "&Status Bar", "Show or hide the status bar");
  auto* settings = new wxMenu;
  settings->Append(kCheckUpdate, "&Check for update...", "Check for a newer stable release of the Quorrel");
  settings->Append(kCheckBeta, "&Check for beta...", "Check for a newer beta release of the Quorrel");
  settings->AppendSeparator();
  settings->Append(List::kAccount, "&Account...", "Change your account settings");
  settings->Append(kOptions, "&Options...", "Change the program options");
  auto* help = new wxMenu;
  help->Append(kAbout, "&About Quorrel...", "Display program information, version number and copyright");

  auto* bar = new wxMenuBar;
  bar->Append(bid, "&Bid");
  bar->Append(view, "&View");
  bar->Append(settings, "&Settings");
  bar->Append(help, "&Help");
  SetMenuBar(bar);
  bar->Check(kToggleToolbar, true);
  bar->Check(kToggleStatusBar, true);
}

void MainFrame::BuildToolbar() {
  wxToolBar* tools = CreateToolBar(wxTB_FLAT | wxTB_HORIZONTAL);
  tools->SetToolBitmapSize(wxSize(16, 15));
  tools->AddTool(List::kRefreshAll, "Refresh all", Artwork::ToolBitmap(Artwork::Tool::RefreshAll),
                 "Refresh all bids");
  tools->AddSeparator();
  tools->AddTool(List::kAdd, "Add", Artwork::ToolBitmap(Artwork::Tool::Add), "Add bid");
  tools->AddTool(List::kDelete, "Delete", Artwork::ToolBitmap(Artwork::Tool::Delete), "Delete bid");
  tools->AddSeparator();
  tools->AddTool(kAbout, "About", Artwork::ToolBitmap(Artwork::Tool::About), "About");
  tools->Realize();
}

void MainFrame::BuildStatusBar() {
  wxStatusBar* status = CreateStatusBar(2, wxSTB_SIZEGRIP);
  const int widths[] = {22, -1};
  const int styles[] = {wxSB_FLAT, wxSB_FLAT};
  status->SetStatusWidths(2, widths);
  status->SetStatusStyles(2, styles);
  SetStatusBarPane(1);  // menu prompts go where the status text is
  SetStatusText("Ready", 1);
  warning_ = new wxStaticBitmap(status, wxID_ANY, Artwork::WarningBitmap());
  status->Bind(wxEVT_SIZE, [this, status](wxSizeEvent& event) {
    wxRect field;
    if (status->GetFieldRect(0, field)) warning_->Move(field.x + 2, field.y + (field.height - 16) / 2);
    event.Skip();
  });
}

// At idle time: the status bar tells whether bids can be placed as the user
// expects.
void MainFrame::UpdateStatus() {
  const bool verified = list_->IsAccountVerified();
  if (statusShown_ && verified == verifiedShown_) return;
  statusShown_ = true;
  verifiedShown_ = verified;
  SetStatusText(verified ? "Ready" : kNotVerified, 1);
  warning_->Show(!verified);
}

bool MainFrame::Initialize() {
  services_.paths.CreateLogsFolder();
  if (!list_->Initialize()) return false;
  ShowTrayIcon(minimizeToTray);
  return true;
}

void MainFrame::ShowToolbar(bool show) {
  toolbarVisible_ = show;
  GetToolBar()->Show(show);
  GetMenuBar()->Check(kToggleToolbar, show);
  SendSizeEvent();
}

void MainFrame::ShowStatusBar(bool show) {
  statusBarVisible_ = show;
  GetStatusBar()->Show(show);
  GetMenuBar()->Check(kToggleStatusBar, show);
  SendSizeEvent();
}

// Where the desktop has no tray, no icon is made, and minimising leaves the
// window on the taskbar, so that it can always be reached.
void MainFrame::ShowTrayIcon(bool show) {
  if (show && !tray_ && wxTaskBarIcon::IsAvailable()) tray_ = std::make_unique<TrayIcon>(*this);
  if (!show) tray_.reset();
}

void MainFrame::RestoreFromTray() {
  Show();
  Iconize(false);
  Raise();
  list_->Scheduler().SetVisible(true);
}

void MainFrame::OnIconize(wxIconizeEvent& event) {
  if (event.IsIconized()) {
    list_->Scheduler().SetVisible(false);
    if (minimizeToTray && tray_) Hide();
  } else {
    list_->Scheduler().SetVisible(true);
  }
  event.Skip();
}

void MainFrame::OnClose(wxCloseEvent&) {
  tray_.reset();
  Destroy();  // the list saves the bid file as it goes
}
