#include "common/network/nt4_records.h"

#include "log/format.h"

VK_IMPLEMENT_SERIAL(cVkNT4Computer, &cVkObject::classInfo, 1)
VK_IMPLEMENT_SERIAL(cVkNT4Domain, &cVkObject::classInfo, 1)

namespace {

// Server-type bits that make a computer a server: domain controller, backup
// domain controller, NT server.
constexpr uint32_t kServerBits = 0x8 | 0x10 | 0x8000;

std::u16string_view SystemName(uint32_t major, uint32_t minor) {
  if (major == 4) return u"Windows NT";
  switch (minor) {
    case 0:
      return u"Windows 2000";
    case 1:
      return u"Windows XP";
    case 2:
      return u"Windows 2003";
    default:
      return u"";
  }
}

}  // namespace

std::u16string cVkNT4Computer::GetVersionText() const {
  if (versionMajor != 4 && versionMajor != 5) return {};
  std::u16string system(SystemName(versionMajor, versionMinor));
  return vk::Format(u"%s (%ld.%ld)", system, static_cast<int32_t>(versionMajor), static_cast<int32_t>(versionMinor));
}

std::u16string cVkNT4Computer::GetTypeText() const {
  if (type == 0) return {};
  return (type & kServerBits) != 0 ? u"Server" : u"Workstation";
}

std::u16string cVkNT4Computer::GetDescription() const {
  std::u16string text = name;
  std::u16string version = GetVersionText();
  if (!version.empty()) text += u", Version: " + version;
  std::u16string kind = GetTypeText();
  if (!kind.empty()) text += u", Type: " + kind;
  return text;
}

std::u16string cVkNT4Domain::GetDescription() const { return vk::Format(u"Domain: %s, PDC: %s", name, comment); }
