// GTK: a native wxMessageDialog runs gtk_dialog_run on its GtkDialog, and
// a popup menu waits for its GtkMenu to hide.
#include "app/NativeLoops.h"

#include <wx/menu.h>
#include <wx/msgdlg.h>

#include <gtk/gtk.h>

void NativeLoops::Close(wxDialog& box) {
  if (dynamic_cast<wxMessageDialog*>(&box) == nullptr) return;
  if (GtkWidget* widget = box.GetHandle(); widget != nullptr && GTK_IS_DIALOG(widget)) {
    gtk_dialog_response(GTK_DIALOG(widget), GTK_RESPONSE_CANCEL);
  }
}

void NativeLoops::TakeDown(wxMenu& menu) {
  if (menu.m_menu != nullptr) gtk_menu_popdown(GTK_MENU(menu.m_menu));
}
