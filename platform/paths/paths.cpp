#include "platform/paths/paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/core/error_codes.h"
#include "platform/core/text.h"

namespace vk::paths {

int32_t FileSize(std::u16string_view path, uint64_t* size) {
  struct stat info;
  if (stat(vk::ToUtf8(path).c_str(), &info) != 0) return vk::Win32FromErrno(errno);
  *size = static_cast<uint64_t>(info.st_size);
  return 0;
}

int32_t RemoveFile(std::u16string_view path) {
  if (unlink(vk::ToUtf8(path).c_str()) != 0) return vk::Win32FromErrno(errno);
  return 0;
}

int32_t CreateFolder(std::u16string_view path) {
  if (mkdir(vk::ToUtf8(path).c_str(), 0700) != 0) return vk::Win32FromErrno(errno);
  return 0;
}

}  // namespace vk::paths
