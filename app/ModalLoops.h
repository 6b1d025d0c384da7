#pragma once

#include <wx/modalhook.h>

#include <vector>

class wxDialog;
class wxMenu;

// Which modal loops are running, innermost last: those of modal dialogs
// (native message boxes too) and of popup menus. Loops nest and only the
// innermost can be ended: EndModal on an outer dialog quits the wrong loop
// and leaves its own running. Whoever must close them (the end of the
// program, the error boxes at shutdown) asks here which one that is.
class ModalLoops : public wxModalDialogHook {
 public:
  // Registered on first use, for the rest of the run.
  static ModalLoops& Get();

  // The dialog whose modal loop is the one running; null when none is, or
  // when a popup menu's is.
  wxDialog* Innermost() const;
  bool AnyRunning() const { return !running_.empty(); }

  // Asks the innermost loop to end: a dialog with Cancel, a native box as
  // if closed, a popup menu by taking it down. False when none runs. The
  // loop returns later, on its own stack.
  bool EndInnermost();

  // Marks a popup menu's loop while it runs (wxWidgets' hook sees dialogs
  // only): made right before PopupMenu, gone once it returns.
  class Popup {
   public:
    explicit Popup(wxMenu& menu);
    ~Popup();
    Popup(const Popup&) = delete;
    Popup& operator=(const Popup&) = delete;

   private:
    wxMenu& menu_;
  };

 protected:
  int Enter(wxDialog* dialog) override;
  void Exit(wxDialog* dialog) override;

 private:
  struct Loop {
    wxDialog* dialog;  // one of these two
    wxMenu* menu;
  };
  ModalLoops() = default;
  void Remove(const Loop& loop);
  std::vector<Loop> running_;
};
