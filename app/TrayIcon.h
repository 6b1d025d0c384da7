#pragma once

#include <wx/taskbar.h>

class MainFrame;

// The tray icon: a left click restores the window, the right button's menu
// offers "Restore" and "Exit".
class TrayIcon : public wxTaskBarIcon {
 public:
  explicit TrayIcon(MainFrame& frame);
  ~TrayIcon() override;

 protected:
  wxMenu* CreatePopupMenu() override;

 private:
  MainFrame& frame_;
};
