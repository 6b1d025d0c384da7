#pragma once

#include "site/XdgFolders.h"

#include <string>

// Where the program's files are. A program with a servers.xml beside it is
// portable (the build folder, an unpacked copy): every file lives in its
// own folder. Otherwise it is installed: bids.xml, account.cfg and logs/ go
// to $XDG_DATA_HOME/quorrel/, quorrel.xml to $XDG_CONFIG_HOME/quorrel/, and
// servers.xml is the user's copy in $XDG_CONFIG_HOME/quorrel/ when there is
// one, else the installation's (share/quorrel/ beside the bin folder).
// The choice is made once, at construction.
class DataPaths {
 public:
  // From the path of an executable and the user's folders; an empty path
  // gives an empty ProgramFolder, the current folder.
  DataPaths(const std::string& executablePath, const XdgFolders& user);
  // The user's folders of the running process.
  explicit DataPaths(const std::string& executablePath);
  // For the running program.
  static DataPaths ForRunningProgram();

  bool Portable() const { return portable_; }
  // The executable's folder and name, whichever the layout.
  const std::string& ProgramFolder() const { return programFolder_; }  // ends with a separator
  const std::string& ProgramFileName() const { return programFileName_; }
  // Where bids.xml, account.cfg and logs/ are, and where quorrel.xml is;
  // both the program folder when portable.
  const std::string& DataFolder() const { return dataFolder_; }      // ends with a separator
  const std::string& ConfigFolder() const { return configFolder_; }  // ends with a separator
  const std::string& LogsFolder() const { return logsFolder_; }      // ends with a separator

  static constexpr const char* SettingsFileName = "quorrel.xml";
  static constexpr const char* ServersFileName = "servers.xml";
  static constexpr const char* AccountFileName = "account.cfg";
  static constexpr const char* BidsFileName = "bids.xml";

  // The full path of one of the four files above.
  std::string PathOf(const char* fileName) const;

  // Makes the folders the program writes to. Portable: the logs folder,
  // and that it exists already or cannot be made is not an error anyone is
  // told about. Installed: the data, logs and config folders, each missing
  // one (parents too) with mode 0700, as the files hold the user's account;
  // false, with the folder in `failed`, when one cannot be made.
  bool CreateFolders(std::string* failed = nullptr) const;

 private:
  bool portable_ = true;
  std::string programFolder_;
  std::string programFileName_;
  std::string dataFolder_;
  std::string configFolder_;
  std::string logsFolder_;
  std::string serversPath_;
};
