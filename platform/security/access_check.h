// The access check: which rights a token holds under a security descriptor.
//
// A token is a user SID and the SIDs of the user's groups. The rights are
// the union of the masks of the allow entries that name the user or one of
// its groups, less the rights that an earlier deny entry took away.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/security/sid.h"

namespace vk {

inline constexpr uint32_t MAXIMUM_ALLOWED = 0x02000000;
inline constexpr uint32_t GENERIC_READ = 0x80000000;
inline constexpr uint32_t GENERIC_WRITE = 0x40000000;
inline constexpr uint32_t GENERIC_EXECUTE = 0x20000000;
inline constexpr uint32_t GENERIC_ALL = 0x10000000;

struct AccessToken {
  std::u16string userName;  // for messages only
  Sid user;
  std::vector<Sid> groups;

  bool Holds(const Sid& sid) const;
};

struct GenericMapping {
  uint32_t genericRead = 0;
  uint32_t genericWrite = 0;
  uint32_t genericExecute = 0;
  uint32_t genericAll = 0;
};

// Replaces the generic bits of a mask by the rights they stand for.
uint32_t MapGenericMask(uint32_t mask, const GenericMapping& mapping);

struct AccessResult {
  bool granted = false;
  uint32_t grantedMask = 0;
};

// Checks desired access (generic bits are mapped first). Answers 0 with the
// result, or ERROR_INVALID_SECURITY_DESCR (1338) for a descriptor that is
// missing or does not read.
int32_t CheckAccess(std::span<const uint8_t> selfRelative, const AccessToken& token, uint32_t desired,
                    const GenericMapping& mapping, AccessResult* result);

}  // namespace vk
