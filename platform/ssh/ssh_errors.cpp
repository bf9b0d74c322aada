#include "platform/ssh/ssh_errors.h"

#include <libssh/libssh.h>
#include <libssh/sftp.h>

#include "platform/core/error_codes.h"
#include "platform/core/text.h"

namespace vk::ssh {

int32_t CodeFromConnectError(std::string_view text) {
  struct Match {
    std::string_view words;
    int32_t code;
  };
  static constexpr Match kMatches[] = {
      {"Connection refused", WSAECONNREFUSED},
      {"No route to host", WSAEHOSTUNREACH},
      {"Network is unreachable", WSAENETUNREACH},
      {"imeout", WSAETIMEDOUT},
      {"timed out", WSAETIMEDOUT},
      {"resolve hostname", WSAHOST_NOT_FOUND},
      {"Name or service not known", WSAHOST_NOT_FOUND},
      {"Connection reset", WSAECONNRESET},
      {"Socket error: disconnected", WSAECONNRESET},
  };
  for (const Match& m : kMatches) {
    if (text.find(m.words) != std::string_view::npos) return m.code;
  }
  return ERROR_UNEXP_NET_ERR;
}

int32_t CodeFromSftpStatus(int status) {
  switch (status) {
    case SSH_FX_OK:
      return ERROR_SUCCESS;
    case SSH_FX_EOF:
      return ERROR_HANDLE_EOF;
    case SSH_FX_NO_SUCH_FILE:
    case SSH_FX_NO_SUCH_PATH:
      return ERROR_FILE_NOT_FOUND;
    case SSH_FX_PERMISSION_DENIED:
    case SSH_FX_WRITE_PROTECT:
      return ERROR_ACCESS_DENIED;
    case SSH_FX_FILE_ALREADY_EXISTS:
      return ERROR_ALREADY_EXISTS;
    case SSH_FX_NO_CONNECTION:
    case SSH_FX_CONNECTION_LOST:
      return WSAECONNRESET;
    case SSH_FX_OP_UNSUPPORTED:
      return ERROR_NOT_SUPPORTED;
    case SSH_FX_BAD_MESSAGE:
      return ERROR_INVALID_DATA;
    default:
      return ERROR_GEN_FAILURE;
  }
}

std::u16string PermissionDeniedText(int methods) {
  struct Name {
    int bit;
    std::u16string_view name;
  };
  static constexpr Name kNames[] = {{SSH_AUTH_METHOD_PUBLICKEY, u"publickey"},
                                    {SSH_AUTH_METHOD_GSSAPI_MIC, u"gssapi-with-mic"},
                                    {SSH_AUTH_METHOD_HOSTBASED, u"hostbased"},
                                    {SSH_AUTH_METHOD_PASSWORD, u"password"},
                                    {SSH_AUTH_METHOD_INTERACTIVE, u"keyboard-interactive"}};
  std::u16string list;
  for (const Name& n : kNames) {
    if ((methods & n.bit) == 0) continue;
    if (!list.empty()) list += u',';
    list += n.name;
  }
  return u"Permission denied (" + list + u").";
}

SshError MakeError(int32_t code, std::u16string text) { return SshError{code, std::move(text)}; }

SshError MakeError(int32_t code, std::string_view utf8Text) { return SshError{code, FromUtf8(utf8Text)}; }

}  // namespace vk::ssh
