#include "app/TrayIcon.h"

#include "app/Artwork.h"
#include "app/MainFrame.h"
#include "app/ModalLoops.h"

#include <wx/menu.h>

TrayIcon::TrayIcon(MainFrame& frame) : frame_(frame) {
  SetIcon(Artwork::ProgramIcon(), "Quorrel");
  Bind(wxEVT_TASKBAR_LEFT_DOWN, [this](wxTaskBarIconEvent&) { frame_.RestoreFromTray(); });
  // The menu is shown here rather than by wxWidgets, so that the end of the
  // program knows its loop runs and waits for it.
  Bind(wxEVT_TASKBAR_CLICK, [this](wxTaskBarIconEvent&) {
    const std::unique_ptr<wxMenu> menu = MakeMenu();
    ModalLoops::Popup open(*menu);
    PopupMenu(menu.get());
  });
  Bind(wxEVT_MENU, [this](wxCommandEvent&) { frame_.RestoreFromTray(); }, MainFrame::kRestore);
  // Later: closing the window deletes this icon, which is inside its menu now.
  Bind(wxEVT_MENU, [this](wxCommandEvent&) { frame_.CallAfter([frame = &frame_] { frame->Close(); }); },
       MainFrame::kExit);
}

TrayIcon::~TrayIcon() { RemoveIcon(); }

bool TrayIcon::TrayPresent() { return wxTaskBarIcon::IsAvailable(); }

std::unique_ptr<wxMenu> TrayIcon::MakeMenu() const {
  auto menu = std::make_unique<wxMenu>();
  menu->Append(MainFrame::kRestore, "Restore");
  menu->AppendSeparator();
  menu->Append(MainFrame::kExit, "Exit");
  return menu;
}
