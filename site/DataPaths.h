#pragma once

#include <string>

// Where the program's files are: all of them live in the executable's own
// folder. Every file path is ProgramFolder() + one of the bare names.
class DataPaths {
 public:
  // From the path of an executable; an empty path gives an empty
  // ProgramFolder, so the files are looked for in the current folder.
  explicit DataPaths(const std::string& executablePath);
  // For the running program.
  static DataPaths ForRunningProgram();

  const std::string& ProgramFolder() const { return programFolder_; }  // ends with a separator
  const std::string& LogsFolder() const { return logsFolder_; }        // ends with a separator
  const std::string& ProgramFileName() const { return programFileName_; }

  static constexpr const char* SettingsFileName = "quorrel.xml";
  static constexpr const char* ServersFileName = "servers.xml";
  static constexpr const char* AccountFileName = "account.cfg";
  static constexpr const char* BidsFileName = "bids.xml";

  std::string PathOf(const char* fileName) const { return programFolder_ + fileName; }

  // Creates the logs folder; that it exists already, or cannot be made, is
  // not an error anyone is told about.
  void CreateLogsFolder() const;

 private:
  std::string programFolder_;
  std::string logsFolder_;
  std::string programFileName_;
};
