// Linux: the kernel names the running executable in /proc/self/exe.
#include "site/ExecutablePath.h"

#include <filesystem>
#include <system_error>

std::string ExecutablePath() {
  std::error_code error;
  const std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string() : ExecutableFromLink(path.string());
}

std::string ExecutableFromLink(const std::string& link) {
  static const std::string kDeleted = " (deleted)";
  std::error_code error;
  if (link.size() <= kDeleted.size() || link.compare(link.size() - kDeleted.size(), kDeleted.size(), kDeleted) != 0 ||
      std::filesystem::exists(link, error)) {
    return link;
  }
  return link.substr(0, link.size() - kDeleted.size());
}
