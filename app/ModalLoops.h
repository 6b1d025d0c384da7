#pragma once

#include <wx/modalhook.h>

#include <vector>

class wxDialog;

// Which modal dialogs are running, innermost last. Modal loops nest and
// only the innermost can be ended: EndModal on an outer dialog quits the
// wrong loop and leaves its own running. Whoever must close dialogs (the
// end of the program, the error boxes at shutdown) asks here which one
// that is.
class ModalLoops : public wxModalDialogHook {
 public:
  // Registered on first use, for the rest of the run.
  static ModalLoops& Get();

  // The dialog whose modal loop is the one running; null when none is.
  wxDialog* Innermost() const { return running_.empty() ? nullptr : running_.back(); }

 protected:
  int Enter(wxDialog* dialog) override;
  void Exit(wxDialog* dialog) override;

 private:
  ModalLoops() = default;
  std::vector<wxDialog*> running_;
};
