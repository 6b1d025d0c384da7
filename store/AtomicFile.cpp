// POSIX implementation: open, write, fsync, rename.
#include "store/AtomicFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }

 private:
  int fd_;
};

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

}  // namespace

bool WriteFileAtomically(const std::string& path, std::string_view data, FileAccess access) {
  const std::string temporary = path + ".new";
  const mode_t mode = access == FileAccess::OwnerOnly ? 0600 : 0666;
  FileDescriptor file(
      ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, mode));
  if (file.get() < 0) return false;
  // A leftover temporary file from an earlier crash keeps its old mode.
  bool ok = access != FileAccess::OwnerOnly || ::fchmod(file.get(), 0600) == 0;
  ok = ok && WriteAll(file.get(), data) && ::fsync(file.get()) == 0;
  ok = file.Close() && ok;
  ok = ok && ::rename(temporary.c_str(), path.c_str()) == 0;
  if (!ok) ::unlink(temporary.c_str());
  return ok;
}
