// POSIX implementation: open, write, fsync, rename.
#include "store/AtomicFile.h"

#include "store/FileDescriptor.h"

#include <cerrno>
#include <filesystem>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The file a save replaces: a symbolic link stays a link, its target gets
// the new bytes. Empty for a loop of links.
std::string ResolveLinks(std::string path) {
  for (int hops = 0; hops < 40; ++hops) {
    std::error_code error;
    if (!std::filesystem::is_symlink(path, error)) return path;
    const std::filesystem::path link = std::filesystem::read_symlink(path, error);
    if (error) return {};
    path = link.is_absolute() ? link.string()
                              : (std::filesystem::path(path).parent_path() / link).string();
  }
  return {};
}

std::string FolderOf(const std::string& path) {
  const std::string folder = std::filesystem::path(path).parent_path().string();
  return folder.empty() ? "." : folder;
}

// Makes the rename itself survive a crash. A folder that cannot be synced
// (some file systems refuse) changes nothing: the new file is in place.
void SyncFolder(const std::string& folder) {
  FileDescriptor handle(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (handle.get() >= 0) ::fsync(handle.get());
}

}  // namespace

bool WriteFileAtomically(const std::string& path, std::string_view data, FileAccess access) {
  const std::string target = ResolveLinks(path);
  if (target.empty()) return false;
  struct stat old {};
  const bool exists = ::stat(target.c_str(), &old) == 0;
  // A file the user made read-only is not to be replaced (a rename would
  // do it whatever its mode); root passes access(), so the bits count too.
  if (exists && (!S_ISREG(old.st_mode) || ::access(target.c_str(), W_OK) != 0 ||
                 (old.st_mode & 0222) == 0)) {
    return false;
  }
  const std::string temporary = target + ".new";
  ::unlink(temporary.c_str());  // a leftover of a crash, with whatever mode it had
  FileDescriptor file(
      ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
  if (file.get() < 0) return false;
  bool ok = true;
  if (access == FileAccess::OwnerOnly) {
    ok = ::fchmod(file.get(), 0600) == 0;
  } else if (exists) {
    ok = ::fchmod(file.get(), old.st_mode & 07777) == 0;
  }
  ok = ok && WriteAll(file.get(), data) && ::fsync(file.get()) == 0;
  ok = file.Close() && ok;
  ok = ok && ::rename(temporary.c_str(), target.c_str()) == 0;
  if (!ok) {
    ::unlink(temporary.c_str());
    return false;
  }
  SyncFolder(FolderOf(target));
  return true;
}
