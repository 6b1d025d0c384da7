#pragma once

#include <wx/frame.h>

#include <memory>

struct Services;
class BidListView;
class TrayIcon;
class wxStaticBitmap;

// The program's one top-level window: the menu bar, the toolbar, the bid
// list, a status bar that says whether the account is verified, and the
// tray icon. Commands of the bid list go on to the list.
class MainFrame : public wxFrame {
 public:
  // As for the list's commands, the resource ids less 30000; About and Exit
  // are wxWidgets' own, and the two View toggles (59392, 59393) take ids
  // of ours.
  enum Commands {
    kRestore = 2780,
    kOptions = 2782,
    kCheckUpdate = 2785,
    kCheckBeta = 2786,
    kToggleToolbar = 2792,
    kToggleStatusBar = 2793,
    kAbout = wxID_ABOUT,
    kExit = wxID_EXIT,
  };
  static constexpr const char* kNotVerified =
      "Ebay account not verified. Bids might not be placed correctly.";

  explicit MainFrame(Services& services);
  ~MainFrame() override;

  // The logs folder, the bid list (account, bid file, timers). False when
  // the list could not be set up.
  bool Initialize();

  BidListView& List() { return *list_; }
  void RestoreFromTray();
  void ShowToolbar(bool show);
  void ShowStatusBar(bool show);
  void ShowTrayIcon(bool show);
  bool HasTrayIcon() const { return tray_ != nullptr; }

  bool minimizeToTray = true;

 private:
  void BuildMenus();
  void BuildToolbar();
  void BuildStatusBar();
  void UpdateStatus();
  void OnIconize(wxIconizeEvent& event);
  void OnClose(wxCloseEvent& event);

  Services& services_;
  BidListView* list_ = nullptr;
  std::unique_ptr<TrayIcon> tray_;
  wxStaticBitmap* warning_ = nullptr;
  bool toolbarVisible_ = true;
  bool statusBarVisible_ = true;
  bool verifiedShown_ = false;
  bool statusShown_ = false;
};
