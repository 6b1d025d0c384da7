// Linux: the variables of the process, and the password entry for a
// session that has no HOME.
#include "site/XdgFolders.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace {

std::string Variable(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

std::string HomeOfUser() {
  long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
  passwd entry{};
  passwd* found = nullptr;
  if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr ||
      found->pw_dir == nullptr) {
    return "";
  }
  return found->pw_dir;
}

}  // namespace

XdgFolders XdgFolders::OfProcess() {
  std::string home = Variable("HOME");
  if (home.empty()) home = HomeOfUser();
  return XdgFolders(home, Variable("XDG_DATA_HOME"), Variable("XDG_CONFIG_HOME"));
}
