#include "net/UserInterface.h"

#include <cerrno>

void ShowLastErrorBox(UserInterface& ui, const std::string& what) {
  const unsigned error = static_cast<unsigned>(errno);
  ui.ShowErrorBox(what + ". Error " + std::to_string(error) + ".");
}
