#include "app/WxUserInterface.h"

#include "app/ErrorReportDialog.h"
#include "app/ModalLoops.h"
#include "app/WxText.h"

#include <wx/app.h>
#include <wx/msgdlg.h>  // before the generic one, which needs its base
#include <wx/generic/msgdlgg.h>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <vector>

struct WxUserInterface::State {
  std::mutex lock;
  std::condition_variable closed;
  bool shutDown = false;
  bool postedOpen = false;  // a posted box is queued or open
  std::vector<wxDialog*> open;  // innermost last; user-interface thread only

  bool ShutDown() {
    std::lock_guard<std::mutex> guard(lock);
    return shutDown;
  }

  // Shows a modal dialog that Shutdown can close. Modal loops nest, and
  // only the innermost can be ended: each one, as it closes, ends the next.
  void RunModal(wxDialog& dialog) {
    if (ShutDown()) return;
    open.push_back(&dialog);
    dialog.ShowModal();
    open.erase(std::find(open.begin(), open.end(), &dialog));
    if (ShutDown()) EndInnermost();
  }

  // Only when the innermost box is the innermost of all modal dialogs: an
  // outer loop cannot end (another dialog, opened inside the box, is in
  // the way; whoever ends that one comes back here as the box returns).
  void EndInnermost() {
    if (!open.empty() && open.back() == ModalLoops::Get().Innermost() && open.back()->IsModal()) {
      open.back()->EndModal(wxID_CANCEL);
    }
  }

  void ShowBox(const std::string& text) {
    // A generic dialog, not the native box: the program must be able to
    // close it itself at exit.
    wxGenericMessageDialog box(nullptr, FromSite(text), kErrorTitle, wxOK | wxICON_EXCLAMATION);
    RunModal(box);
  }
};

WxUserInterface::WxUserInterface()
    : state_(std::make_shared<State>()), uiThread_(std::this_thread::get_id()) {
  ModalLoops::Get();
}

WxUserInterface::~WxUserInterface() { Shutdown(); }

void WxUserInterface::ShowErrorBox(const std::string& text) {
  if (std::this_thread::get_id() == uiThread_) {
    state_->ShowBox(text);
    return;
  }
  auto state = state_;
  auto done = std::make_shared<bool>(false);
  {
    std::lock_guard<std::mutex> guard(state->lock);
    if (state->shutDown || wxTheApp == nullptr) return;
    wxTheApp->CallAfter([state, text, done] {
      state->ShowBox(text);
      std::lock_guard<std::mutex> guard(state->lock);
      *done = true;
      state->closed.notify_all();
    });
  }
  std::unique_lock<std::mutex> guard(state->lock);
  state->closed.wait(guard, [&] { return *done || state->shutDown; });
}

void WxUserInterface::PostErrorBox(const std::string& text) {
  auto state = state_;
  std::lock_guard<std::mutex> guard(state->lock);
  if (state->shutDown || wxTheApp == nullptr || state->postedOpen) return;
  state->postedOpen = true;
  wxTheApp->CallAfter([state, text] {
    state->ShowBox(text);
    std::lock_guard<std::mutex> guard(state->lock);
    state->postedOpen = false;
  });
}

void WxUserInterface::ShowErrorReport(const std::string& cause, const std::string& page) {
  ErrorReportDialog dialog(wxTheApp ? wxTheApp->GetTopWindow() : nullptr, cause, page);
  state_->RunModal(dialog);
}

void WxUserInterface::PostErrorBox(const std::string& text, std::function<void()> closed) {
  auto state = state_;
  Post([state, text] { state->ShowBox(text); }, std::move(closed));
}

void WxUserInterface::PostErrorReport(const std::string& cause, const std::string& page,
                                      std::function<void()> closed) {
  Post([this, cause, page] { ShowErrorReport(cause, page); }, std::move(closed));
}

void WxUserInterface::Post(std::function<void()> show, std::function<void()> closed) {
  struct Closing {
    std::function<void()> closed;
    ~Closing() {
      if (closed) closed();
    }
  };
  auto closing = std::make_shared<Closing>(Closing{std::move(closed)});
  auto state = state_;
  std::lock_guard<std::mutex> guard(state->lock);
  if (state->shutDown || wxTheApp == nullptr) return;  // `closing` runs now
  wxTheApp->CallAfter([state, show = std::move(show), closing] {
    if (!state->ShutDown()) show();
  });
}

void WxUserInterface::Shutdown() {
  {
    std::lock_guard<std::mutex> guard(state_->lock);
    state_->shutDown = true;
  }
  state_->closed.notify_all();
  if (std::this_thread::get_id() == uiThread_) state_->EndInnermost();
}
