// Account names and SIDs in the platform's shape: "DOMAIN\name" or a bare
// name, answered with the SID, the domain and the kind of account.
//
// Users and groups of this computer carry S-1-22 SIDs and the computer name
// as their domain; the built-in alias "Administrators" (domain "BUILTIN")
// holds root and the members of the sudo, wheel and admin groups. Names of
// another domain are asked of NSS as "DOMAIN\name" (as winbind and SSSD
// name them). Other computers cannot be asked yet: that answers
// RPC_S_SERVER_UNAVAILABLE (1722).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/security/access_check.h"
#include "platform/security/sid.h"

namespace vk {

enum SidNameUse : uint32_t {
  SidTypeUser = 1,
  SidTypeGroup = 2,
  SidTypeDomain = 3,
  SidTypeAlias = 4,
};

inline constexpr std::u16string_view kBuiltinDomain = u"BUILTIN";
inline constexpr std::u16string_view kAdministratorsName = u"Administrators";

// Answers 0, ERROR_NONE_MAPPED (1332) for an unknown name, or 1722.
int32_t LookupAccountByName(std::u16string_view computer, std::u16string_view account, Sid* sid, std::u16string* domain,
                            uint32_t* use);
int32_t LookupAccountBySid(std::u16string_view computer, const Sid& sid, std::u16string* domain, std::u16string* name,
                           uint32_t* use);

// The token of a user of this computer: its SID, its groups' SIDs and, for
// an administrator, the Administrators alias. 1332 when NSS has no such user.
int32_t BuildTokenForUser(std::u16string_view name, AccessToken* token);
int32_t BuildTokenForUid(uint32_t uid, AccessToken* token);

}  // namespace vk
