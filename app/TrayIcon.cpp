#include "app/TrayIcon.h"

#include "app/Artwork.h"
#include "app/MainFrame.h"

#include <wx/menu.h>

TrayIcon::TrayIcon(MainFrame& frame) : frame_(frame) {
  SetIcon(Artwork::ProgramIcon(), "Quorrel");
  Bind(wxEVT_TASKBAR_LEFT_DOWN, [this](wxTaskBarIconEvent&) { frame_.RestoreFromTray(); });
  Bind(wxEVT_MENU, [this](wxCommandEvent&) { frame_.RestoreFromTray(); }, MainFrame::kRestore);
  Bind(wxEVT_MENU, [this](wxCommandEvent&) { frame_.Close(); }, MainFrame::kExit);
}

TrayIcon::~TrayIcon() { RemoveIcon(); }

wxMenu* TrayIcon::CreatePopupMenu() {
  auto* menu = new wxMenu;
  menu->Append(MainFrame::kRestore, "Restore");
  menu->AppendSeparator();
  menu->Append(MainFrame::kExit, "Exit");
  return menu;
}
