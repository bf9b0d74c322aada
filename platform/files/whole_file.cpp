#include "platform/files/whole_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "platform/core/error_codes.h"
#include "platform/core/text.h"

namespace vk::files {
namespace {

// Closes a descriptor on every path out of a function.
class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() { Close(); }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  int Close() {
    if (fd_ < 0) return 0;
    int rc = ::close(fd_);
    fd_ = -1;
    return rc;
  }

 private:
  int fd_;
};

std::string FolderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

int32_t WriteAll(int fd, std::span<const uint8_t> bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return Win32FromErrno(errno);
    }
    done += static_cast<size_t>(n);
  }
  return 0;
}

// New files are private; a replaced file keeps its permission bits.
void TakeOverMode(int fd, const std::string& path) {
  struct stat old {};
  if (::stat(path.c_str(), &old) == 0) ::fchmod(fd, old.st_mode & 07777);
}

// Makes the rename itself durable.
void SyncFolder(const std::string& folder) {
  Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() >= 0) ::fsync(dir.get());
}

}  // namespace

int32_t WriteWholeFileAtomic(const std::string& path, std::span<const uint8_t> bytes) {
  if (path.empty()) return ERROR_PATH_NOT_FOUND;
  std::string temp = path + ".tmpXXXXXX";
  Fd fd(::mkostemp(temp.data(), O_CLOEXEC));
  // The temporary file lies beside the target: failing to create it means
  // the folder is missing or closed to us.
  if (fd.get() < 0) return errno == ENOENT ? ERROR_PATH_NOT_FOUND : Win32FromErrno(errno);
  TakeOverMode(fd.get(), path);
  int32_t rc = WriteAll(fd.get(), bytes);
  if (rc == 0 && ::fsync(fd.get()) != 0) rc = Win32FromErrno(errno);
  if (fd.Close() != 0 && rc == 0) rc = Win32FromErrno(errno);
  if (rc == 0 && ::rename(temp.c_str(), path.c_str()) != 0) rc = Win32FromErrno(errno);
  if (rc != 0) {
    ::unlink(temp.c_str());
    return rc;
  }
  SyncFolder(FolderOf(path));
  return 0;
}

int32_t WriteWholeFileAtomic(std::u16string_view path, std::span<const uint8_t> bytes) {
  return WriteWholeFileAtomic(ToUtf8(path), bytes);
}

int32_t ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes, size_t cap) {
  bytes.clear();
  Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) return Win32FromErrno(errno);
  struct stat info {};
  if (::fstat(fd.get(), &info) != 0) return Win32FromErrno(errno);
  if (S_ISDIR(info.st_mode)) return ERROR_ACCESS_DENIED;
  if (static_cast<uint64_t>(info.st_size) > cap) return ERROR_FILE_TOO_LARGE;
  // The size may change while we read: read until end of file, within the cap.
  bytes.resize(static_cast<size_t>(info.st_size));
  size_t done = 0;
  for (;;) {
    if (done == bytes.size()) {
      if (bytes.size() >= cap + 1) break;
      bytes.resize(std::min(cap + 1, bytes.size() + 4096));
    }
    ssize_t n = ::read(fd.get(), bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      int32_t rc = Win32FromErrno(errno);
      bytes.clear();
      return rc;
    }
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  if (done > cap) {
    bytes.clear();
    return ERROR_FILE_TOO_LARGE;
  }
  bytes.resize(done);
  return 0;
}

int32_t ReadWholeFile(std::u16string_view path, std::vector<uint8_t>& bytes, size_t cap) {
  return ReadWholeFile(ToUtf8(path), bytes, cap);
}

}  // namespace vk::files
