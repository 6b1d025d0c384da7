#include "site/DataPaths.h"

#include "site/ExecutablePath.h"

#include <cstring>
#include <filesystem>
#include <system_error>

namespace {

namespace fs = std::filesystem;

std::string AsFolder(std::string path) {
  if (!path.empty() && path.back() != '/') path += '/';
  return path;
}

bool Exists(const std::string& path) {
  std::error_code ignored;
  return fs::exists(path, ignored);
}

// Each missing folder on the way is made owner-only; folders that exist
// keep the mode the user gave them.
bool MakePrivateFolder(const std::string& folder) {
  std::error_code error;
  fs::path built;
  for (const fs::path& part : fs::path(folder)) {
    if (part.empty()) continue;
    built /= part;
    if (fs::is_directory(built, error)) continue;
    if (!fs::create_directory(built, error) && !fs::is_directory(built, error)) return false;
    fs::permissions(built, fs::perms::owner_all, fs::perm_options::replace, error);
    if (error) return false;
  }
  return fs::is_directory(folder, error);
}

}  // namespace

DataPaths::DataPaths(const std::string& executablePath, const XdgFolders& user) {
  const fs::path path(executablePath);
  programFileName_ = path.filename().string();
  if (path.has_parent_path()) programFolder_ = AsFolder(path.parent_path().string());

  portable_ = Exists(programFolder_ + ServersFileName);
  if (portable_) {
    dataFolder_ = configFolder_ = programFolder_;
    serversPath_ = programFolder_ + ServersFileName;
  } else {
    // With no home folder known the files go below the current folder: the
    // program still runs, and the About box shows where.
    const std::string dataHome = user.DataHome();
    const std::string configHome = user.ConfigHome();
    dataFolder_ = AsFolder(dataHome.empty() ? "quorrel" : dataHome + "/quorrel");
    configFolder_ = AsFolder(configHome.empty() ? "quorrel" : configHome + "/quorrel");
    const std::string own = configFolder_ + ServersFileName;
    serversPath_ = Exists(own) ? own
                               : (fs::path(programFolder_) / QUORREL_SHARE_FROM_BIN / ServersFileName)
                                     .lexically_normal()
                                     .string();
  }
  logsFolder_ = dataFolder_ + "logs/";
}

DataPaths::DataPaths(const std::string& executablePath) : DataPaths(executablePath, XdgFolders::OfProcess()) {}

DataPaths DataPaths::ForRunningProgram() { return DataPaths(ExecutablePath()); }

std::string DataPaths::PathOf(const char* fileName) const {
  if (std::strcmp(fileName, ServersFileName) == 0) return serversPath_;
  if (std::strcmp(fileName, SettingsFileName) == 0) return configFolder_ + fileName;
  return dataFolder_ + fileName;
}

bool DataPaths::CreateFolders(std::string* failed) const {
  if (portable_) {
    std::error_code ignored;
    fs::create_directory(logsFolder_, ignored);
    return true;
  }
  for (const std::string* folder : {&dataFolder_, &logsFolder_, &configFolder_}) {
    if (!MakePrivateFolder(*folder)) {
      if (failed != nullptr) *failed = *folder;
      return false;
    }
  }
  return true;
}
