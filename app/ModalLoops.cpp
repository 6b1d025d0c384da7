#include "app/ModalLoops.h"

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

int ModalLoops::Enter(wxDialog* dialog) {
  running_.push_back(dialog);
  return wxID_NONE;
}

void ModalLoops::Exit(wxDialog* dialog) {
  const auto found = std::find(running_.rbegin(), running_.rend(), dialog);
  if (found != running_.rend()) running_.erase(std::next(found).base());
}
