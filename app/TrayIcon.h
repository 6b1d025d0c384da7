#pragma once

#include <wx/taskbar.h>

#include <memory>

class MainFrame;

// The tray icon: a left click restores the window, the right button's menu
// offers "Restore" and "Exit". Made while no tray exists, it docks when one
// appears.
class TrayIcon : public wxTaskBarIcon {
 public:
  explicit TrayIcon(MainFrame& frame);
  ~TrayIcon() override;

  // Whether the desktop has a tray at the moment.
  static bool TrayPresent();

 private:
  std::unique_ptr<wxMenu> MakeMenu() const;

  MainFrame& frame_;
};
