#pragma once

#include <chrono>
#include <string>

// A lock on a folder of the user's files (the bid list's, the settings'),
// held for the life of the copy that uses them. The runtime lock (SingleInstance) keeps one copy
// per session; copies of the same user started from other sessions (su,
// cron, another XDG_RUNTIME_DIR) find each other only here, through the
// files they would share.
class DataFolderLock {
 public:
  explicit DataFolderLock(std::string folder);  // may end with a separator
  ~DataFolderLock();
  DataFolderLock(const DataFolderLock&) = delete;
  DataFolderLock& operator=(const DataFolderLock&) = delete;

  // Takes the lock, trying again until `patience` has passed, as the copy
  // that holds it may be ending. False only when another process holds it;
  // a folder that cannot be opened at all is no one's, and the program
  // tells about it when it first writes there.
  bool Claim(std::chrono::milliseconds patience);

  // The folder, for the user.
  const std::string& Folder() const { return folder_; }

 private:
  std::string folder_;
  int fd_ = -1;
};
