#include "platform/security/access_check.h"

#include <algorithm>

#include "platform/core/error_codes.h"
#include "platform/security/security_descriptor.h"

namespace vk {

bool AccessToken::Holds(const Sid& sid) const {
  return sid == user || std::find(groups.begin(), groups.end(), sid) != groups.end();
}

uint32_t MapGenericMask(uint32_t mask, const GenericMapping& mapping) {
  if (mask & GENERIC_READ) mask |= mapping.genericRead;
  if (mask & GENERIC_WRITE) mask |= mapping.genericWrite;
  if (mask & GENERIC_EXECUTE) mask |= mapping.genericExecute;
  if (mask & GENERIC_ALL) mask |= mapping.genericAll;
  return mask & ~(GENERIC_READ | GENERIC_WRITE | GENERIC_EXECUTE | GENERIC_ALL);
}

int32_t CheckAccess(std::span<const uint8_t> selfRelative, const AccessToken& token, uint32_t desired,
                    const GenericMapping& mapping, AccessResult* result) {
  *result = AccessResult();
  auto sd = SecurityDescriptor::FromSelfRelative(selfRelative);
  if (!sd) return ERROR_INVALID_SECURITY_DESCR;
  desired = MapGenericMask(desired, mapping);
  bool maximum = desired & MAXIMUM_ALLOWED;
  uint32_t wanted = desired & ~MAXIMUM_ALLOWED;
  if (!sd->daclPresent || !sd->dacl) {  // no discretionary ACL: no restriction
    result->granted = true;
    result->grantedMask = maximum ? (MapGenericMask(GENERIC_ALL, mapping) | wanted) : wanted;
    return 0;
  }
  uint32_t allowed = 0, denied = 0;
  for (const Ace& ace : sd->dacl->entries) {
    if ((ace.flags & INHERIT_ONLY_ACE) || !token.Holds(ace.sid)) continue;
    uint32_t mask = MapGenericMask(ace.mask, mapping);
    if (ace.type == ACCESS_DENIED_ACE_TYPE)
      denied |= mask & ~allowed;
    else
      allowed |= mask & ~denied;
  }
  bool wantedHeld = (wanted & ~allowed) == 0;
  if (maximum) {
    result->granted = wantedHeld && allowed != 0;
    result->grantedMask = result->granted ? allowed : 0;
  } else {
    result->granted = wanted != 0 && wantedHeld;  // asking for nothing is refused
    result->grantedMask = result->granted ? wanted : 0;
  }
  return 0;
}

}  // namespace vk
