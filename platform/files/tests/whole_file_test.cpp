#include "platform/files/whole_file.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "platform/core/error_codes.h"

namespace {

class TempFolder {
 public:
  TempFolder() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "vkfilesXXXXXX").string();
    path_ = ::mkdtemp(tmpl.data());
  }
  ~TempFolder() { std::filesystem::remove_all(path_); }
  std::string operator/(const char* name) const { return path_ + "/" + name; }
  size_t EntryCount() const {
    size_t n = 0;
    for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(path_)) ++n;
    return n;
  }

 private:
  std::string path_;
};

std::vector<uint8_t> Bytes(size_t n, uint8_t seed) {
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>(seed + i * 7);
  return v;
}

TEST(WholeFile, WritesReplacesAndReadsBack) {
  TempFolder dir;
  auto path = dir / "Settings.dat";
  auto first = Bytes(52, 1);
  ASSERT_EQ(vk::files::WriteWholeFileAtomic(path, first), 0);
  struct stat info {};
  ASSERT_EQ(::stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);

  ::chmod(path.c_str(), 0640);
  auto second = Bytes(100000, 9);
  ASSERT_EQ(vk::files::WriteWholeFileAtomic(std::u16string(path.begin(), path.end()), second), 0);
  std::vector<uint8_t> read;
  ASSERT_EQ(vk::files::ReadWholeFile(path, read), 0);
  EXPECT_EQ(read, second);
  ASSERT_EQ(::stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u) << "a replaced file keeps its permissions";
  EXPECT_EQ(dir.EntryCount(), 1u) << "no temporary file is left behind";

  ASSERT_EQ(vk::files::WriteWholeFileAtomic(path, {}), 0);
  ASSERT_EQ(vk::files::ReadWholeFile(path, read), 0);
  EXPECT_TRUE(read.empty());
}

TEST(WholeFile, FailedWriteKeepsThePreviousFile) {
  TempFolder dir;
  auto path = dir / "SM.dat";
  auto old = Bytes(3000, 3);
  ASSERT_EQ(vk::files::WriteWholeFileAtomic(path, old), 0);

  // A file-size limit makes the write fail half-way, as a full disk would.
  ::signal(SIGXFSZ, SIG_IGN);
  rlimit saved{};
  ::getrlimit(RLIMIT_FSIZE, &saved);
  rlimit small = saved;
  small.rlim_cur = 1024;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  int32_t rc = vk::files::WriteWholeFileAtomic(path, Bytes(8192, 4));
  ::setrlimit(RLIMIT_FSIZE, &saved);
  EXPECT_NE(rc, 0);

  std::vector<uint8_t> read;
  ASSERT_EQ(vk::files::ReadWholeFile(path, read), 0);
  EXPECT_EQ(read, old);
  EXPECT_EQ(dir.EntryCount(), 1u);
}

TEST(WholeFile, ReportsMissingFilesFoldersAndOversizedFiles) {
  TempFolder dir;
  std::vector<uint8_t> read{1, 2, 3};
  EXPECT_EQ(vk::files::ReadWholeFile(dir / "missing.dat", read), ERROR_FILE_NOT_FOUND);
  EXPECT_TRUE(read.empty());
  EXPECT_EQ(vk::files::WriteWholeFileAtomic(dir / "no/such/folder.dat", Bytes(4, 0)), ERROR_PATH_NOT_FOUND);

  auto path = dir / "big.dat";
  ASSERT_EQ(vk::files::WriteWholeFileAtomic(path, Bytes(4097, 0)), 0);
  EXPECT_EQ(vk::files::ReadWholeFile(path, read, 4096), ERROR_FILE_TOO_LARGE);
  EXPECT_EQ(vk::files::ReadWholeFile(path, read, 4097), 0);
  EXPECT_EQ(read.size(), 4097u);

  // A folder in the way of the rename: the write fails, the folder stays.
  ::mkdir((dir / "taken").c_str(), 0700);
  EXPECT_NE(vk::files::WriteWholeFileAtomic(dir / "taken", Bytes(4, 0)), 0);
  EXPECT_TRUE(std::filesystem::is_directory(dir / "taken"));
  EXPECT_EQ(dir.EntryCount(), 2u);
}

}  // namespace
