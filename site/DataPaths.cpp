#include "site/DataPaths.h"

#include "site/ExecutablePath.h"

#include <filesystem>
#include <system_error>

DataPaths::DataPaths(const std::string& executablePath) {
  const std::filesystem::path path(executablePath);
  programFileName_ = path.filename().string();
  if (path.has_parent_path()) {
    programFolder_ = path.parent_path().string();
    if (programFolder_.back() != std::filesystem::path::preferred_separator) {
      programFolder_ += std::filesystem::path::preferred_separator;
    }
  }
  logsFolder_ = programFolder_ + "logs" + std::filesystem::path::preferred_separator;
}

DataPaths DataPaths::ForRunningProgram() { return DataPaths(ExecutablePath()); }

void DataPaths::CreateLogsFolder() const {
  std::error_code ignored;
  std::filesystem::create_directory(logsFolder_, ignored);
}
