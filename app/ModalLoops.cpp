#include "app/ModalLoops.h"

#include "app/NativeLoops.h"

#include <wx/dialog.h>

#include <algorithm>

ModalLoops& ModalLoops::Get() {
  // Never deleted: wxWidgets' own list of hooks may be gone before a static
  // object's destructor could take this one out of it.
  static ModalLoops* const loops = [] {
    auto* made = new ModalLoops;
    made->Register();
    return made;
  }();
  return *loops;
}

wxDialog* ModalLoops::Innermost() const { return running_.empty() ? nullptr : running_.back().dialog; }

bool ModalLoops::EndInnermost() {
  if (running_.empty()) return false;
  const Loop& innermost = running_.back();
  if (innermost.menu != nullptr) {
    NativeLoops::TakeDown(*innermost.menu);
  } else if (innermost.dialog->IsModal()) {
    innermost.dialog->EndModal(wxID_CANCEL);
  } else {
    NativeLoops::Close(*innermost.dialog);  // a native box, which wxWidgets does not see as modal
  }
  return true;
}

int ModalLoops::Enter(wxDialog* dialog) {
  running_.push_back({dialog, nullptr});
  return wxID_NONE;
}

void ModalLoops::Exit(wxDialog* dialog) { Remove({dialog, nullptr}); }

void ModalLoops::Remove(const Loop& loop) {
  const auto found = std::find_if(running_.rbegin(), running_.rend(), [&](const Loop& running) {
    return running.dialog == loop.dialog && running.menu == loop.menu;
  });
  if (found != running_.rend()) running_.erase(std::next(found).base());
}

ModalLoops::Popup::Popup(wxMenu& menu) : menu_(menu) { Get().running_.push_back({nullptr, &menu_}); }

ModalLoops::Popup::~Popup() { Get().Remove({nullptr, &menu_}); }
