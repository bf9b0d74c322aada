// SSH and SFTP failures as Win32-numbered codes with their explaining texts.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/ssh/ssh_target.h"

namespace vk::ssh {

// Host key not accepted or changed (the server could not prove who it is).
inline constexpr int32_t kHostKeyFailure = 1397;  // ERROR_MUTUAL_AUTH_FAILED
// No method of the server accepted our credentials.
inline constexpr int32_t kLoginFailure = 1326;  // ERROR_LOGON_FAILURE

// Code of a connection failure from libssh's error text ("Connection refused",
// "No route to host", a time-out, an unknown name); 59 when none matches.
int32_t CodeFromConnectError(std::string_view libsshText);

// Code of an SFTP status (SSH_FX_*).
int32_t CodeFromSftpStatus(int status);

// "Permission denied (publickey,password)." for the methods the server offers.
std::u16string PermissionDeniedText(int methods);

SshError MakeError(int32_t code, std::u16string text);
SshError MakeError(int32_t code, std::string_view utf8Text);

}  // namespace vk::ssh
