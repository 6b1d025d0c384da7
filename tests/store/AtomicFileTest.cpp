#include "store/AtomicFile.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <dlfcn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Called for every fsync of a folder in this process, when set.
std::function<void()> onFolderSync;

}  // namespace

// Every fsync of the test process passes through here on its way to the C
// library, so that a test can see when a folder is synced.
extern "C" int fsync(int fd) {
  static const auto real = reinterpret_cast<int (*)(int)>(dlsym(RTLD_NEXT, "fsync"));
  struct stat info {};
  if (onFolderSync && ::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) onFolderSync();
  return real(fd);
}

namespace {

mode_t ModeOf(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

// Makes writes past `bytes` fail as on a full disk, for the life of the
// object. Each test runs in a process of its own, so nothing else is hit.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    std::signal(SIGXFSZ, SIG_IGN);
    getrlimit(RLIMIT_FSIZE, &saved_);
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &saved_); }

 private:
  rlimit saved_{};
};

// A write that fails half way (the disk fills) keeps the old file whole and
// leaves no temporary file behind.
TEST(AtomicFile, FailedWriteKeepsOldFile) {
  TempFolder folder;
  const std::string path = folder.Write("bids.xml", "old contents");
  {
    FileSizeLimit limit(64);
    EXPECT_FALSE(WriteFileAtomically(path, std::string(4096, 'x')));
  }
  EXPECT_EQ(TempFolder::Read(path), "old contents");
  EXPECT_FALSE(std::filesystem::exists(path + ".new"));

  ASSERT_TRUE(WriteFileAtomically(path, "new contents"));
  EXPECT_EQ(TempFolder::Read(path), "new contents");
  EXPECT_FALSE(std::filesystem::exists(path + ".new"));
}

TEST(AtomicFile, OwnerOnlyFilesAreMode0600EvenOverALeftover) {
  TempFolder folder;
  const std::string path = folder.PathOf("account.cfg");
  folder.Write("account.cfg.new", "left by a crash");
  ::chmod((path + ".new").c_str(), 0644);
  ASSERT_TRUE(WriteFileAtomically(path, "secret", FileAccess::OwnerOnly));
  struct stat info {};
  ASSERT_EQ(::stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  EXPECT_EQ(TempFolder::Read(path), "secret");
}

// A bids.xml that is a link to a file elsewhere stays a link, and the file
// it names gets the new bytes.
TEST(AtomicFile, SavesThroughALinkToItsTarget) {
  TempFolder folder;
  std::filesystem::create_directory(folder.PathOf("elsewhere"));
  const std::string target = folder.Write("elsewhere/list.xml", "old");
  std::filesystem::create_symlink("elsewhere/list.xml", folder.PathOf("bids.xml"));
  ASSERT_TRUE(WriteFileAtomically(folder.PathOf("bids.xml"), "new"));
  EXPECT_TRUE(std::filesystem::is_symlink(folder.PathOf("bids.xml")));
  EXPECT_EQ(TempFolder::Read(target), "new");
  EXPECT_FALSE(std::filesystem::exists(folder.PathOf("bids.xml.new")));
  EXPECT_FALSE(std::filesystem::exists(target + ".new"));
}

// The old file's mode survives the save: a private file stays private, a
// shared one shared. A new file gets the umask's mode.
TEST(AtomicFile, KeepsTheOldFilesMode) {
  TempFolder folder;
  const mode_t umaskWas = ::umask(022);
  for (const mode_t mode : {0600, 0640, 0664}) {
    const std::string path = folder.Write("quorrel.xml", "old");
    ASSERT_EQ(::chmod(path.c_str(), mode), 0);
    ASSERT_TRUE(WriteFileAtomically(path, "new"));
    EXPECT_EQ(ModeOf(path), mode);
  }
  ASSERT_TRUE(WriteFileAtomically(folder.PathOf("fresh.xml"), "new"));
  EXPECT_EQ(ModeOf(folder.PathOf("fresh.xml")), 0644u);
  ::umask(umaskWas);
}

// A file the user made read-only is not replaced, whoever runs the program.
TEST(AtomicFile, LeavesAReadOnlyFileAlone) {
  TempFolder folder;
  const std::string path = folder.Write("quorrel.xml", "the user's");
  ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
  EXPECT_FALSE(WriteFileAtomically(path, "new"));
  EXPECT_EQ(TempFolder::Read(path), "the user's");
  EXPECT_EQ(ModeOf(path), 0444u);
  EXPECT_FALSE(std::filesystem::exists(path + ".new"));
}

// The folder is synced once the new file is in place, so that the rename
// itself survives a crash.
TEST(AtomicFile, SyncsTheFolderAfterTheRename) {
  TempFolder folder;
  const std::string path = folder.Write("bids.xml", "old");
  std::vector<std::string> seen;
  onFolderSync = [&] { seen.push_back(TempFolder::Read(path)); };
  const bool written = WriteFileAtomically(path, "new");
  onFolderSync = nullptr;
  ASSERT_TRUE(written);
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.back(), "new");
}

TEST(AtomicFile, EmptyDataMakesEmptyFile) {
  TempFolder folder;
  const std::string path = folder.Write("f", "something");
  ASSERT_TRUE(WriteFileAtomically(path, ""));
  EXPECT_EQ(TempFolder::Read(path), "");
}

}  // namespace
