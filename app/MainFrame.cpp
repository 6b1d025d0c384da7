#include "app/MainFrame.h"

#include "app/Artwork.h"
#include "app/ModalLoops.h"
#include "app/BidListView.h"
#include "app/Services.h"
#include "app/AboutBox.h"
#include "app/BidNotice.h"
#include "app/DesktopNotifier.h"
#include "app/SleepInhibitor.h"
#include "app/OptionsDialog.h"
#include "app/UpgradeDialog.h"
#include "app/WxRequestReceiver.h"
#include "app/WxText.h"
#include "net/SiteRequest.h"
#include "net/VersionInfo.h"
#include "app/StartupEntry.h"
#include "app/TrayIcon.h"
#include "site/ExecutablePath.h"
#include "bids/ListLayout.h"
#include "bids/SettingsExtras.h"
#include "store/XmlDocument.h"

#include <wx/accel.h>
#include <wx/datetime.h>
#include <wx/msgdlg.h>
#include <wx/menu.h>
#include <wx/statbmp.h>
#include <wx/statusbr.h>
#include <wx/toolbar.h>

#include <filesystem>
#include <system_error>

namespace {
using List = BidListView;
}  // namespace

MainFrame::MainFrame(Services& services)
    : wxFrame(nullptr, wxID_ANY, "Quorrel", wxDefaultPosition, wxSize(760, 420)), services_(services) {
  SetIcons(Artwork::ProgramIcons());
  BuildMenus();
  BuildToolbar();
  BuildStatusBar();
  list_ = new BidListView(this, services_);
  list_->onBidEvent = [this](const BidEvent& event) { BidEventShown(event); };
  notifier_ = std::make_unique<DesktopNotifier>([this](std::uint32_t id) { ShowBid(id); });
  inhibitor_ = std::make_unique<SleepInhibitor>(SleepInhibitor::Events{
      [this](const std::string& error) {
        // Once a run: where there is no logind there never will be.
        if (awakeFailureTold_) return;
        awakeFailureTold_ = true;
        awakeFailure_ = kCannotKeepAwake + error;
      },
      [this] { list_->Engine().RefreshWatching(); }});

  wxAcceleratorEntry keys[] = {{wxACCEL_NORMAL, WXK_DELETE, List::kDelete},
                               {wxACCEL_NORMAL, WXK_F5, List::kRefreshAll}};
  SetAcceleratorTable(wxAcceleratorTable(2, keys));

  // The list's commands go on to the list.
  for (const int id : {List::kAdd, List::kDelete, List::kEdit, List::kRefresh, List::kRefreshAll,
                       List::kAccount, List::kGoToPage, List::kHistory}) {
    Bind(wxEVT_MENU, [this](wxCommandEvent& event) { list_->RunCommand(event.GetId()); }, id);
  }
  // Commands on one bid need exactly one selected row; Delete needs one or more.
  for (const int id : {List::kEdit, List::kRefresh, List::kGoToPage, List::kHistory}) {
    Bind(wxEVT_UPDATE_UI, [this](wxUpdateUIEvent& event) { event.Enable(list_->SelectedCount() == 1); }, id);
  }
  Bind(wxEVT_UPDATE_UI, [this](wxUpdateUIEvent& event) { event.Enable(list_->SelectedCount() >= 1); },
       List::kDelete);
  versionReceiver_ = std::make_shared<WxRequestReceiver>(
      [this](std::unique_ptr<SiteRequest> request) { VersionFileArrived(std::move(request)); });
  Bind(wxEVT_MENU, [this](wxCommandEvent&) { CheckForUpdate(kReportFlag); }, kCheckUpdate);
  Bind(wxEVT_MENU, [this](wxCommandEvent&) { CheckForUpdate(kReportFlag | kBetaFlag); }, kCheckBeta);
  Bind(wxEVT_MENU, [this](wxCommandEvent&) {
    AboutBox about(this, ReadVersionInfo(services_.paths.ProgramFolder() + services_.paths.ProgramFileName()),
                   services_.paths);
    about.ShowModal();
  }, kAbout);

  Bind(wxEVT_MENU, [this](wxCommandEvent&) {
    OptionsDialog dialog(this, {loadAutomatically, minimizeToTray, checkUpdates, keepAwake, notifications});
    if (dialog.ShowModal() != wxID_OK) return;
    loadAutomatically = dialog.GetOptions().loadAutomatically;
    minimizeToTray = dialog.GetOptions().minimizeToTray;
    checkUpdates = dialog.GetOptions().checkUpdates;  // looked at by the next start
    keepAwake = dialog.GetOptions().keepAwake;
    notifications = dialog.GetOptions().notifications;
    ApplyOptions();
  }, kOptions);
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
    menu.Append(List::kHistory, "History...");
    const wxPoint at = event.GetPosition() == wxDefaultPosition ? wxDefaultPosition
                                                                : ScreenToClient(event.GetPosition());
    ModalLoops::Popup open(menu);
    PopupMenu(&menu, at);
  });
  Bind(wxEVT_IDLE, [this](wxIdleEvent& event) {
    UpdateStatus();
    event.Skip();
  });
  Bind(wxEVT_ICONIZE, &MainFrame::OnIconize, this);
  const auto keepNormalRect = [this](wxEvent& event) {
    if (IsShown() && !IsIconized() && !IsMaximized()) normalRect_ = GetRect();
    event.Skip();
  };
  Bind(wxEVT_SIZE, keepNormalRect);
  Bind(wxEVT_MOVE, keepNormalRect);
  Bind(wxEVT_CLOSE_WINDOW, &MainFrame::OnClose, this);
}

MainFrame::~MainFrame() {
  versionReceiver_->Detach();
  list_->onBidEvent = nullptr;
}

void MainFrame::BuildMenus() {
  // Menu items that have a toolbar button show its image.
  const auto withImage = [](wxMenu* menu, int id, const wxString& text, const wxString& help,
                            Artwork::Tool tool) {
    auto* item = new wxMenuItem(menu, id, text, help);
    item->SetBitmap(Artwork::ToolBitmap(tool));
    menu->Append(item);
  };
  auto* bid = new wxMenu;
  withImage(bid, List::kAdd, "Add...", "Add a new bid", Artwork::Tool::Add);
  withImage(bid, List::kDelete, "Delete\tDel", "Delete bid", Artwork::Tool::Delete);
  bid->Append(List::kEdit, "Edit...", "Edit bid information");
  bid->Append(List::kGoToPage, "&Go to Ebay page");
  bid->Append(List::kRefresh, "Refresh", "Refresh bid status with Ebay");
  bid->Append(List::kHistory, "History...", "Show every step of the bid so far");
  bid->AppendSeparator();
  withImage(bid, List::kRefreshAll, "Refresh all\tF5", "Refresh status of all bids",
            Artwork::Tool::RefreshAll);
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
  withImage(help, kAbout, "&About Quorrel...", "Display program information, version number and copyright",
            Artwork::Tool::About);

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

namespace {
// A time on the local monotonic clock as the wall clock will show it.
wxString WallClock(std::int64_t at, std::int64_t now) {
  return (wxDateTime::Now() + wxTimeSpan::Milliseconds((at - now) / 1000)).Format("%H:%M:%S");
}
}  // namespace

// At idle time: the status bar tells whether bids can be placed as the user
// expects, and whether the computer is kept awake for them.
void MainFrame::UpdateStatus() {
  KeepAwake();
  const bool verified = list_->IsAccountVerified();
  wxString text = verified ? "Ready" : kNotVerified;
  const auto& due = list_->Shown().due;
  if (verified && inhibitor_->Held() && due) {
    text = kKeepingAwake + WallClock(due->until, services_.clock.NowMicros());
  } else if (verified && !awakeFailure_.empty()) {
    text = FromSite(awakeFailure_);
  }
  if (statusSet_ && text == statusShown_) return;
  statusSet_ = true;
  statusShown_ = text;
  SetStatusText(text, 1);
  warning_->Show(!verified);
}

void MainFrame::KeepAwake() {
  const auto& due = list_->Shown().due;
  if (!keepAwake || !due) {
    inhibitor_->Release();
    awakeFailure_.clear();
    return;
  }
  inhibitor_->Hold(ToBytes("Bid on item " + std::to_string(due->item) + " due at " +
                           WallClock(due->moment, services_.clock.NowMicros())));
}

void MainFrame::BidEventShown(const BidEvent& event) {
  if (!notifications) return;
  const Bid* bid = list_->Shown().FindBidById(event.bidId);
  const auto notice = BidNotice::For(event, BidNotice::NameOf(bid ? bid->title : std::string(), event.item));
  if (notice) notifier_->Show(event.bidId, *notice);
}

void MainFrame::ShowBid(std::uint32_t id) {
  RestoreFromTray();
  list_->SelectBid(id);
  list_->SetFocus();
}

bool MainFrame::Initialize() {
  std::string failed;
  if (!services_.paths.CreateFolders(&failed)) {
    services_.ui.PostErrorBox("Error: Can't create the folder " + failed + ". Bids and settings will not be saved.");
  }
  if (!list_->Initialize()) return false;
  // Settings that lacked a group are put into effect all the same; only
  // the update check waits for a sound file.
  if (LoadSettings() && checkUpdates) CheckForUpdate(0);
  return true;
}

void MainFrame::CheckForUpdate(int flags) {
  auto request = std::make_unique<SiteRequest>();
  request->tag = flags;
  request->host = updateHost;
  request->path = flags & kBetaFlag ? "/versionbeta.txt" : "/versionstable.txt";
  request->receiver = versionReceiver_;
  request->failureToReceiver = true;
  services_.client.QueueRequest(std::move(request));
}

void MainFrame::VersionFileArrived(std::unique_ptr<SiteRequest> request) {
  ++versionResultsHandled_;
  const VersionInfo own =
      ReadVersionInfo(services_.paths.ProgramFolder() + services_.paths.ProgramFileName());
  const bool report = request->tag & kReportFlag;
  const bool beta = request->tag & kBetaFlag;
  if (!request->succeeded) {
    // The silent check at start-up stays silent: without the update server
    // every start would greet the user with an error. The user's own check
    // shows its box even while one of the worker's is open.
    if (report && !request->error.empty()) services_.ui.ShowErrorBox(request->error);
    return;
  }
  const auto inform = [this](const char* text) {
    wxMessageBox(text, "Quorrel info", wxOK | wxICON_INFORMATION, this);
  };
  switch (own.CompareWithText(request->page)) {
    case 3: {
      UpgradeDialog upgrade(this, AboutBox::kHomePage);
      upgrade.ShowModal();
      checkUpdates = !upgrade.DontBugMe();
      break;
    }
    case 2:
      if (report) inform(beta ? "You are using the latest beta version." : "You are using the latest stable version.");
      break;
    case 1:
      if (report) {
        inform(beta ? "You are using a newer version than the latest beta."
                    : "You are using a newer version than the latest stable one.");
      }
      break;
    default: break;  // no version in the file
  }
}

bool MainFrame::LoadSettings() {
  ProgramSettings settings;
  XmlDocument document;
  bool ok = true;
  if (document.Load(services_.paths.PathOf(DataPaths::SettingsFileName)) &&
      document.FindElement("quorrel")) {
    ok = ReadSettings(document, settings);
    ListLayout layout = list_->CurrentLayout();
    ok = ReadListLayout(document, layout) && ok;
    ReadSettingsExtras(document, settings, layout);  // none: the defaults
    list_->ApplyLayout(layout);
  }
  ApplySettings(settings);
  return ok;
}

void MainFrame::SaveSettings() {
  ProgramSettings settings;
  CaptureSettings(settings);
  XmlDocument document;
  document.AddElement("quorrel");
  WriteSettings(document, settings);
  const ListLayout layout = list_->CurrentLayout();
  WriteListLayout(document, layout);
  WriteSettingsExtras(document, settings, layout);
  document.Save(services_.paths.PathOf(DataPaths::SettingsFileName));
}

void MainFrame::ApplySettings(const ProgramSettings& s) {
  loadAutomatically = s.loadAutomatically;
  minimizeToTray = s.minimizeToTray;
  checkUpdates = s.checkUpdates;
  keepAwake = s.keepAwake;
  notifications = s.notifications;
  ApplyOptions();
  services_.times.SetTimeOffset(s.timeOffset);

  const auto& r = s.windowRect;
  normalRect_ = wxRect(wxPoint(r[0], r[1]), wxPoint(r[2] - 1, r[3] - 1));
  placementFlags_ = s.placementFlags;
  SetSize(normalRect_);
  ShowStatusBar(s.statusBarVisible);
  ShowToolbar(s.toolbarVisible);
  Show();
  if (s.showState == 3) Maximize();
  if (s.showState == 2) Iconize();  // with a tray icon and minimizeToTray: straight to the tray
}

void MainFrame::CaptureSettings(ProgramSettings& s) const {
  s.loadAutomatically = loadAutomatically;
  s.minimizeToTray = minimizeToTray;
  s.checkUpdates = checkUpdates;
  s.keepAwake = keepAwake;
  s.notifications = notifications;
  s.timeOffset = services_.times.GetTimeOffset();
  s.windowRect = {normalRect_.GetLeft(), normalRect_.GetTop(), normalRect_.GetRight() + 1,
                  normalRect_.GetBottom() + 1};
  s.showState = IsIconized() || !IsShown() ? 2 : (IsMaximized() ? 3 : 1);
  s.placementFlags = placementFlags_;
  s.toolbarVisible = toolbarVisible_;
  s.statusBarVisible = statusBarVisible_;
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

// The icon is made even while the desktop has no tray: it docks when one
// appears, which at the start of a session is often after this program.
void MainFrame::ShowTrayIcon(bool show) {
  if (show && !tray_) tray_ = std::make_unique<TrayIcon>(*this);
  if (!show) tray_.reset();
}

bool MainFrame::HasTrayIcon() const { return tray_ != nullptr && TrayIcon::TrayPresent(); }

// Written again at every start, so that a moved program is started from
// where it now is.
void MainFrame::ApplyOptions() {
  // An entry that would start nothing is not written; the one there stays.
  const std::string executable = ExecutablePath();
  std::error_code error;
  if (!loadAutomatically || std::filesystem::exists(executable, error)) {
    SetStartupEntry(loadAutomatically, executable);
  }
  ShowTrayIcon(minimizeToTray);
}

void MainFrame::RestoreFromTray() {
  // Before Show: a window hidden while minimised would otherwise be shown
  // minimised again, and stay out of sight.
  Iconize(false);
  Show();
  Raise();
  list_->SetVisible(true);
}

void MainFrame::OnIconize(wxIconizeEvent& event) {
  if (event.IsIconized()) {
    list_->SetVisible(false);
    // Where the desktop has no tray, minimising leaves the window on the
    // taskbar, so that it can always be reached.
    if (minimizeToTray && HasTrayIcon()) Hide();
  } else {
    list_->SetVisible(true);
  }
  event.Skip();
}

void MainFrame::OnClose(wxCloseEvent&) {
  SaveSettings();
  tray_.reset();
  Destroy();  // the list saves the bid file as it goes
}
