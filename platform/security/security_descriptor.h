// Security descriptors in self-relative form: a 20-byte header (revision 1,
// 0, control bits, then the offsets of owner, group, system ACL and
// discretionary ACL, 0 for none), followed by the discretionary ACL, the
// owner SID and the group SID.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "platform/security/acl.h"
#include "platform/security/sid.h"

namespace vk {

inline constexpr uint16_t SE_OWNER_DEFAULTED = 0x0001;
inline constexpr uint16_t SE_GROUP_DEFAULTED = 0x0002;
inline constexpr uint16_t SE_DACL_PRESENT = 0x0004;
inline constexpr uint16_t SE_SELF_RELATIVE = 0x8000;
inline constexpr uint32_t kSecurityDescriptorHeaderSize = 20;

struct SecurityDescriptor {
  std::optional<Sid> owner;
  bool ownerDefaulted = false;
  std::optional<Sid> group;
  bool groupDefaulted = false;
  bool daclPresent = false;
  std::optional<Acl> dacl;  // present but none: a null DACL, which admits everyone

  std::vector<uint8_t> ToSelfRelative() const;
  // Checks every offset and size; a descriptor with a system ACL is read
  // but the system ACL is ignored.
  static std::optional<SecurityDescriptor> FromSelfRelative(std::span<const uint8_t> bytes);
};

}  // namespace vk
