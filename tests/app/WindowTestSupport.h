#pragma once

#include <wx/app.h>
#include <wx/button.h>
#include <wx/combobox.h>
#include <wx/dialog.h>
#include <wx/modalhook.h>
#include <wx/msgdlg.h>
#include <wx/textctrl.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

// Answers every message box with OK without showing it, and remembers what
// it said; other dialogs show as usual.
class MessageBoxAnswerer : public wxModalDialogHook {
 public:
  struct Box {
    std::string title;
    std::string message;
    long style;
  };
  MessageBoxAnswerer() { Register(); }
  ~MessageBoxAnswerer() override { Unregister(); }

  std::vector<Box> boxes;
  int answer = wxID_OK;  // what every box is answered with
  // Runs once, while the next box is up and before it is answered: what
  // happens meanwhile.
  std::function<void()> whileOpen;

 protected:
  int Enter(wxDialog* dialog) override {
    auto* box = dynamic_cast<wxMessageDialogBase*>(dialog);
    if (box == nullptr) return wxID_NONE;
    boxes.push_back({box->GetTitle().utf8_string(), box->GetMessage().utf8_string(),
                     box->GetMessageDialogStyle()});
    if (whileOpen) {
      const std::function<void()> meanwhile = std::move(whileOpen);
      whileOpen = nullptr;
      meanwhile();
    }
    return answer;
  }
  void Exit(wxDialog*) override {}
};

template <typename T>
T* Control(wxWindow* window, int id) {
  return dynamic_cast<T*>(window->FindWindow(id));
}

// What a user's typing does to an edit: the text changes and the edit says so.
inline void Type(wxTextEntry* edit, const wxString& text) { edit->SetValue(text); }

inline void Click(wxWindow* button) {
  wxCommandEvent click(wxEVT_BUTTON, button->GetId());
  click.SetEventObject(button);
  button->ProcessWindowEvent(click);
}

inline void Choose(wxComboBox* box, const wxString& entry) {
  box->SetSelection(box->FindString(entry, true));
  wxCommandEvent chosen(wxEVT_COMBOBOX, box->GetId());
  chosen.SetEventObject(box);
  chosen.SetInt(box->GetSelection());
  box->ProcessWindowEvent(chosen);
}

// The open dialog of that kind (the newest), or null.
template <typename T>
T* OpenDialog() {
  for (auto node = wxTopLevelWindows.rbegin(); node != wxTopLevelWindows.rend(); ++node) {
    if (auto* dialog = dynamic_cast<T*>(*node); dialog != nullptr && dialog->IsModal()) return dialog;
  }
  return nullptr;
}

// Runs `steps` once the dialog's own loop is running, then shows it.
inline int RunModal(wxDialog& dialog, std::function<void()> steps) {
  wxTheApp->CallAfter(std::move(steps));
  return dialog.ShowModal();
}

// Lets the user-interface thread run its queued calls until `done`.
inline bool PumpUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds limit = std::chrono::seconds(10)) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    wxTheApp->ProcessPendingEvents();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}
