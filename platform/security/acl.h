// Access-control lists in their binary form (revision 2): an 8-byte header
// (revision, 0, total size, entry count, 0) followed by the entries. An
// access entry is type, flags, its size, the 32-bit access mask and the SID:
// 8 bytes plus the SID's length. All numbers are little-endian.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "platform/security/sid.h"

namespace vk {

inline constexpr uint8_t ACCESS_ALLOWED_ACE_TYPE = 0;
inline constexpr uint8_t ACCESS_DENIED_ACE_TYPE = 1;
inline constexpr uint8_t INHERIT_ONLY_ACE = 0x08;
inline constexpr uint8_t ACL_REVISION = 2;

struct Ace {
  uint8_t type = ACCESS_ALLOWED_ACE_TYPE;
  uint8_t flags = 0;
  uint32_t mask = 0;
  Sid sid;

  uint32_t Size() const { return 8 + sid.Length(); }
  bool operator==(const Ace&) const = default;
};

class Acl {
 public:
  // An ACL is at most 65535 bytes.
  static constexpr uint32_t kMaxSize = 0xFFFF;

  std::vector<Ace> entries;

  uint32_t Size() const;
  bool FitsInAcl() const { return Size() <= kMaxSize; }
  void AppendTo(std::vector<uint8_t>* out) const;
  // Reads an ACL at the start of bytes; entries of unknown types are refused.
  static std::optional<Acl> FromBytes(std::span<const uint8_t> bytes);
};

}  // namespace vk
