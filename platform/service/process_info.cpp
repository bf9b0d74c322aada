#include "platform/service/process_info.h"

#include <sys/utsname.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

#include "platform/core/error_codes.h"
#include "platform/core/text.h"

namespace vk::service {
namespace {

// Reads the leading number of `text` at `pos` and moves past it and one dot.
uint32_t NextNumber(const char*& pos) {
  char* end = nullptr;
  unsigned long n = std::strtoul(pos, &end, 10);
  if (end == pos) return 0;
  pos = *end == '.' ? end + 1 : end;
  return static_cast<uint32_t>(n > UINT32_MAX ? UINT32_MAX : n);
}

}  // namespace

std::u16string ProgramFilePath() {
  std::vector<char> buffer(PATH_MAX + 1);
  ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (n <= 0) return {};
  return vk::FromUtf8(std::string_view(buffer.data(), static_cast<size_t>(n)));
}

int32_t GetOsVersion(OsVersion* version) {
  utsname names;
  if (uname(&names) != 0) return vk::Win32FromErrno(errno);
  const char* pos = names.release;
  version->majorVersion = NextNumber(pos);
  version->minorVersion = NextNumber(pos);
  version->buildNumber = NextNumber(pos);
  version->systemName = vk::FromUtf8(names.sysname);
  version->release = vk::FromUtf8(names.release);
  return 0;
}

}  // namespace vk::service
