#pragma once

#include "store/ProgramSettings.h"

#include <wx/frame.h>

#include <memory>
#include <string>

struct Services;
struct SiteRequest;
class BidListView;
class WxRequestReceiver;
class TrayIcon;
class SleepInhibitor;
class DesktopNotifier;
struct BidEvent;
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
  static constexpr const char* kKeepingAwake = "Keeping the computer awake until ";  // HH:MM:SS
  static constexpr const char* kCannotKeepAwake = "Can't keep the computer awake while a bid is due: ";

  explicit MainFrame(Services& services);
  ~MainFrame() override;

  // The logs folder, the bid list (account, bid file, timers), then the
  // settings, which show the window (or leave it in the tray). False when
  // the list could not be set up; the window is not shown then.
  bool Initialize();

  // quorrel.xml: read and put into effect (the window then shows in its
  // saved placement); captured and written when the window closes.
  bool LoadSettings();
  void SaveSettings();
  void ApplySettings(const ProgramSettings& settings);
  void CaptureSettings(ProgramSettings& settings) const;

  BidListView& List() { return *list_; }
  void RestoreFromTray();
  void ShowToolbar(bool show);
  void ShowStatusBar(bool show);
  void ShowTrayIcon(bool show);
  // The start-with-the-session entry and the tray icon, as the options say.
  void ApplyOptions();

  // Asks the update server for the channel's version file: flags 1 tell the
  // user also when no newer version exists, 2 ask for the beta channel.
  void CheckForUpdate(int flags);
  static constexpr int kReportFlag = 1;
  static constexpr int kBetaFlag = 2;
  // The update server: the practice site serves its version files.
  std::string updateHost = "127.0.0.1:8480";
  // The icon is on and a tray shows it.
  bool HasTrayIcon() const;
  // Version files (or their failures) taken so far, whether or not they
  // showed anything: a check that stays silent has still been answered.
  int VersionResultsHandled() const { return versionResultsHandled_; }

  bool loadAutomatically = true;
  bool minimizeToTray = true;
  bool checkUpdates = true;
  bool keepAwake = true;
  bool notifications = true;

 private:
  void BuildMenus();
  void BuildToolbar();
  void BuildStatusBar();
  void UpdateStatus();
  // The sleep lock, held while a bid is due (and the option says so).
  void KeepAwake();
  void BidEventShown(const BidEvent& event);
  // A notification clicked: the window to the front, the bid selected.
  void ShowBid(std::uint32_t id);
  void OnIconize(wxIconizeEvent& event);
  void OnClose(wxCloseEvent& event);
  void VersionFileArrived(std::unique_ptr<SiteRequest> request);

  Services& services_;
  BidListView* list_ = nullptr;
  std::unique_ptr<TrayIcon> tray_;
  std::shared_ptr<WxRequestReceiver> versionReceiver_;
  int versionResultsHandled_ = 0;
  wxStaticBitmap* warning_ = nullptr;
  bool toolbarVisible_ = true;
  bool statusBarVisible_ = true;
  std::unique_ptr<SleepInhibitor> inhibitor_;
  std::unique_ptr<DesktopNotifier> notifier_;
  std::string awakeFailure_;  // shown while the lock it is about is wanted
  bool awakeFailureTold_ = false;
  wxString statusShown_;
  bool statusSet_ = false;
  wxRect normalRect_{100, 100, 650, 250};  // where the window stands when neither minimised nor maximised
  int placementFlags_ = 0;                 // kept as the file has them
};
