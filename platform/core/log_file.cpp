#include "platform/core/log_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/core/error_codes.h"
#include "platform/core/text.h"

namespace vk {

std::unique_ptr<LogFileStream> LogFileStream::Open(std::u16string_view path, Mode mode, int32_t* error) {
  // Both modes append: after a truncation other streams may still add to the
  // same file, and their lines must not be overwritten by ours.
  int flags = O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC;
  if (mode == Mode::Overwrite) flags |= O_TRUNC;
  const std::string name = ToUtf8(path);
  int fd;
  do {
    fd = ::open(name.c_str(), flags, 0644);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    if (error) *error = Win32FromErrno(errno);
    return nullptr;
  }
  if (error) *error = ERROR_SUCCESS;
  return std::unique_ptr<LogFileStream>(new LogFileStream(fd));
}

LogFileStream::~LogFileStream() { ::close(fd_); }

bool LogFileStream::Write(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

}  // namespace vk
