// Facts about the running process and the system it runs on.
#pragma once

#include <cstdint>
#include <string>

namespace vk::service {

// Full path of the running program (/proc/self/exe), empty when unknown.
std::u16string ProgramFilePath();

// The operating system's version (uname): kernel release numbers and text.
struct OsVersion {
  uint32_t majorVersion = 0;
  uint32_t minorVersion = 0;
  uint32_t buildNumber = 0;
  std::u16string systemName;  // "Linux"
  std::u16string release;     // "6.1.0-13-amd64"
};

int32_t GetOsVersion(OsVersion* version);

}  // namespace vk::service
