#include "store/AtomicFile.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

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

TEST(AtomicFile, EmptyDataMakesEmptyFile) {
  TempFolder folder;
  const std::string path = folder.Write("f", "something");
  ASSERT_TRUE(WriteFileAtomically(path, ""));
  EXPECT_EQ(TempFolder::Read(path), "");
}

}  // namespace
