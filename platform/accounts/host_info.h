// This computer's workgroup and operating-system version.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vk {

// The extended version record (276 bytes): its own size, major, minor and
// build number, platform id, and a text (here the distribution's name).
struct OsVersionInfo {
  uint32_t osVersionInfoSize = 0;
  uint32_t majorVersion = 0;
  uint32_t minorVersion = 0;
  uint32_t buildNumber = 0;
  uint32_t platformId = 0;
  char16_t csdVersion[128] = {};
};
static_assert(sizeof(OsVersionInfo) == 276);

inline constexpr uint32_t VER_PLATFORM_WIN32_NT = 2;

// Fills the record from the kernel release (major.minor.build) and the
// distribution's PRETTY_NAME. The size field must be 276, else 122.
int32_t QueryOsVersion(OsVersionInfo* info, const char* osReleasePath = nullptr);

// Workstation information of a computer (empty: this one): its computer
// name and its workgroup. Another computer answers ERROR_BAD_NETPATH (53).
int32_t QueryWorkstationInfo(std::u16string_view computer, std::u16string* computerName, std::u16string* lanGroup);

// The domain controller of a domain, with its leading "\\". This computer
// belongs to no domain that names its controllers, so every domain answers
// NERR_DCNotFound (2453).
int32_t FindDomainController(std::u16string_view domain, std::u16string* controller);

// The workgroup from the [global] section of a Samba configuration
// ("workgroup = CORP"), upper-cased; "WORKGROUP" when there is none.
std::u16string ReadWorkgroup(const char* smbConfPath = "/etc/samba/smb.conf");

}  // namespace vk
