// Linux: flock, which the kernel lets go of when the process ends however
// it ends.
#include "app/DataFolderLock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

DataFolderLock::DataFolderLock(std::string folder) : folder_(std::move(folder)) {
  while (folder_.size() > 1 && folder_.back() == '/') folder_.pop_back();
}

DataFolderLock::~DataFolderLock() {
  if (fd_ >= 0) ::close(fd_);
}

bool DataFolderLock::Claim(std::chrono::milliseconds patience) {
  // The folder itself, not a file in it: every copy can open that, whether
  // or not it could make a file there, so all of them meet on one lock.
  const std::string folder = folder_.empty() ? "." : folder_;
  fd_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd_ < 0) return true;
  const auto end = std::chrono::steady_clock::now() + patience;
  for (;;) {
    if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) return true;
    if (errno != EWOULDBLOCK && errno != EINTR) return true;  // a file system without locks
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
}
