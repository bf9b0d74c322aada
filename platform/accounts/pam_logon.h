// Network logon of a user with a password, through PAM (service
// "viewkeeper": authentication and account check), answered with the
// user's token.
//
// The password is handed to PAM only through the conversation; every copy
// this code makes is wiped before it is released, and it is never kept or
// logged. A wrong password and an unknown user give the same answer,
// ERROR_LOGON_FAILURE (1326).
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/security/access_check.h"

namespace vk {

inline constexpr const char* kPamServiceName = "viewkeeper";

// domain: empty, ".", this computer's name or its workgroup name a local
// account; any other domain asks for "DOMAIN\user".
// Answers 0, 1326, 1327 (account restricted), 1330 (password expired),
// 1793 (account expired) or 1311 (PAM itself failed).
int32_t LogonNetworkUser(std::u16string_view user, std::u16string_view domain, std::u16string_view password,
                         AccessToken* token);

}  // namespace vk
