// Linux desktops: the XDG autostart folder.
#include "app/StartupEntry.h"

#include "store/AtomicFile.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

std::string StartupEntryPath() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  std::string folder;
  if (config != nullptr && config[0] == '/') {
    folder = config;
  } else if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0') {
    folder = std::string(home) + "/.config";
  } else {
    return {};
  }
  return folder + "/autostart/Quorrel.desktop";
}

std::string ExecValue(const std::string& executablePath) {
  // The argument in double quotes, with " ` $ \ escaped; % doubled (field
  // codes); then the string escapes of the format (\ written \\).
  std::string quoted = "\"";
  for (const char c : executablePath) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
    if (c == '%') quoted += '%';
    quoted += c;
  }
  quoted += '"';
  std::string value;
  for (const char c : quoted) {
    if (c == '\\') {
      value += "\\\\";
    } else if (c == '\n') {
      value += "\\n";
    } else {
      value += c;
    }
  }
  return value;
}

bool SetStartupEntry(bool on, const std::string& executablePath) {
  const std::string path = StartupEntryPath();
  if (path.empty()) return false;
  std::error_code error;
  if (!on) {
    std::filesystem::remove(path, error);
    return true;
  }
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), error);
  if (error) return false;
  return WriteFileAtomically(path, "[Desktop Entry]\nType=Application\nName=Quorrel\nComment=Quorrel\nExec=" +
                                       ExecValue(executablePath) + "\n");
}
