#include "platform/registry/reg_store.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/core/error_codes.h"

namespace vk {
namespace {

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd = -1) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

std::string FolderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// A folder named by the environment, when it is an absolute path; else empty.
std::string AbsoluteFolderFromEnv(const char* name) {
  const char* value = getenv(name);
  return (value && value[0] == '/') ? std::string(value) : std::string();
}

int32_t MakeFolders(const std::string& folder) {
  if (folder.empty() || folder == "/" || folder == ".") return 0;
  struct stat st;
  if (stat(folder.c_str(), &st) == 0) return S_ISDIR(st.st_mode) ? 0 : ERROR_DIRECTORY;
  if (int32_t code = MakeFolders(FolderOf(folder))) return code;
  if (mkdir(folder.c_str(), 0755) != 0 && errno != EEXIST) return Win32FromErrno(errno);
  return 0;
}

int32_t ReadWhole(int fd, std::string* bytes) {
  char buffer[65536];
  while (true) {
    ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return Win32FromErrno(errno);
    if (n == 0) return 0;
    if (bytes->size() + static_cast<size_t>(n) > kMaxRegFileBytes) return ERROR_REGISTRY_CORRUPT;
    bytes->append(buffer, static_cast<size_t>(n));
  }
}

int32_t WriteWhole(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return Win32FromErrno(errno);
    done += static_cast<size_t>(n);
  }
  return 0;
}

// Writes the text beside the file and renames it over the file.
int32_t ReplaceFile(const std::string& path, const std::string& text) {
  std::string folder = FolderOf(path);
  std::string temp = folder + "/.reg-XXXXXX";
  FileDescriptor fd(mkostemp(temp.data(), O_CLOEXEC));
  if (fd.get() < 0) return Win32FromErrno(errno);
  struct stat st;
  mode_t mode = stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644;
  int32_t code = fchmod(fd.get(), mode) == 0 ? 0 : Win32FromErrno(errno);
  if (!code) code = WriteWhole(fd.get(), text);
  if (!code && fsync(fd.get()) != 0) code = Win32FromErrno(errno);
  if (!code && rename(temp.c_str(), path.c_str()) != 0) code = Win32FromErrno(errno);
  if (code) {
    unlink(temp.c_str());
    return code;
  }
  FileDescriptor dir(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() >= 0) fsync(dir.get());
  return 0;
}

}  // namespace

std::u16string_view RegRootName(RegRoot root) {
  switch (root) {
    case RegRoot::LocalMachine:
      return u"HKEY_LOCAL_MACHINE";
    case RegRoot::CurrentUser:
      return u"HKEY_CURRENT_USER";
    default:
      return {};
  }
}

std::string RegRootFile(RegRoot root) {
  const char* moved = getenv("VIEWKEEPER_REGISTRY_DIR");
  bool isMoved = moved && *moved;
  switch (root) {
    case RegRoot::LocalMachine:
      return (isMoved ? std::string(moved) : std::string("/var/lib/viewkeeper/registry")) + "/HKLM.reg";
    case RegRoot::CurrentUser: {
      if (isMoved) return std::string(moved) + "/HKCU.reg";
      // Never a shared folder such as /tmp: without a home of its own the user has no store.
      std::string config = AbsoluteFolderFromEnv("XDG_CONFIG_HOME");
      if (config.empty()) {
        std::string home = AbsoluteFolderFromEnv("HOME");
        if (home.empty()) return {};
        config = home + "/.config";
      }
      return config + "/viewkeeper/HKCU.reg";
    }
    default:
      return {};
  }
}

int32_t LoadRegFile(const std::string& path, std::u16string_view rootName, RegDocument* doc, std::string* problem) {
  FileDescriptor fd(open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) {
    if (errno != ENOENT) return Win32FromErrno(errno);
    *doc = RegDocument();
    return 0;
  }
  std::string bytes;
  int32_t code = ReadWhole(fd.get(), &bytes);
  if (code == ERROR_REGISTRY_CORRUPT) *problem = path + ": the file is larger than the registry allows";
  if (code) return code;
  if (auto error = RegDocument::FromText(bytes, rootName, doc)) {
    *problem = path + " line " + std::to_string(error->line) + ": " + error->reason;
    return ERROR_REGISTRY_CORRUPT;
  }
  return 0;
}

int32_t UpdateRegFile(const std::string& path, std::u16string_view rootName,
                      const std::function<int32_t(RegDocument&)>& change, std::string* problem) {
  if (int32_t code = MakeFolders(FolderOf(path))) return code;
  std::string lockPath = path + ".lock";
  // A symbolic link in place of the lock could make us create or lock another file.
  FileDescriptor lock(open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644));
  if (lock.get() < 0 && errno == ELOOP) {
    *problem = lockPath + ": the lock file is a symbolic link";
    return ERROR_ACCESS_DENIED;
  }
  if (lock.get() < 0) return Win32FromErrno(errno);
  while (flock(lock.get(), LOCK_EX) != 0) {
    if (errno != EINTR) return Win32FromErrno(errno);
  }
  RegDocument doc;
  if (int32_t code = LoadRegFile(path, rootName, &doc, problem)) return code;
  if (int32_t code = change(doc)) return code;
  return ReplaceFile(path, doc.ToText(rootName));
  // The lock goes with the descriptor.
}

}  // namespace vk
