// POSIX implementation: a copy made with O_EXCL, or renameat2 without
// replacing.
#include "store/SetAside.h"

#include "store/FileDescriptor.h"

#include <cerrno>
#include <string_view>

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kMostCopies = 1000;

std::string CopyName(const std::string& path, int number) {
  return number == 1 ? path + ".bad" : path + ".bad." + std::to_string(number);
}

// Copies into a name nobody has yet; "" when the source cannot be read.
std::string CopyAside(const std::string& path) {
  FileDescriptor source(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  struct stat info {};
  if (source.get() < 0 || ::fstat(source.get(), &info) != 0 || !S_ISREG(info.st_mode)) return {};
  for (int number = 1; number <= kMostCopies; ++number) {
    const std::string name = CopyName(path, number);
    FileDescriptor copy(::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                           info.st_mode & 0666));
    if (copy.get() < 0) {
      if (errno == EEXIST) continue;
      return {};
    }
    char buffer[65536];
    bool ok = true;
    for (;;) {
      const ssize_t n = ::read(source.get(), buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        ok = n == 0;
        break;
      }
      if (!WriteAll(copy.get(), std::string_view(buffer, static_cast<std::size_t>(n)))) {
        ok = false;
        break;
      }
    }
    ok = ok && ::fsync(copy.get()) == 0;
    ok = copy.Close() && ok;
    if (ok) return name;
    ::unlink(name.c_str());
    return {};
  }
  return {};
}

std::string RenameAside(const std::string& path) {
  for (int number = 1; number <= kMostCopies; ++number) {
    const std::string name = CopyName(path, number);
    if (::renameat2(AT_FDCWD, path.c_str(), AT_FDCWD, name.c_str(), RENAME_NOREPLACE) == 0) {
      return name;
    }
    if (errno != EEXIST) return {};
  }
  return {};
}

}  // namespace

std::string SetFileAside(const std::string& path) {
  const std::string copied = CopyAside(path);
  return copied.empty() ? RenameAside(path) : copied;
}
