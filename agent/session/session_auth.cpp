// Authentication of a new viewer: the block, its strict parsing and the
// access check. The password exists only in this step's buffers and is wiped
// before it returns.
#include <vector>

#include "common/protocol/auth_block.h"
#include "platform/security/access_check.h"
#include "common/protocol/secure_wipe.h"
#include "agent/session/session_shared.h"
#include "log/orklog.h"
#include "log/text_escape.h"
#include "platform/net/socket_calls.h"
#include "platform/core/error_codes.h"

namespace vk {
namespace {

// A failed logon: the name as the console sent it (escaped) and where the
// console is.
int32_t LogFailedLogon(cVkSessionManager::Shared& s, cOrkLog& log, const std::u16string& user, int32_t code) {
  log.LogMsg(LOG_ERROR, code, u"Error authenticating '%s'. Errorcode %ld.", VkEscapeControls(user), code);
  log.LogMsg(LOG_ERROR, code, u"The failed logon came from %S. Errorcode %ld.",
             net::IPv4ToText(s.sessionSocket.PeerAddress()), code);
  return code;
}

// Parses the block and runs the access check; wipes the password.
int32_t CheckBlock(cVkSessionManager::Shared& s, cOrkLog& log, std::vector<uint8_t>& payload) {
  cVkAuthCredentials creds;  // wiped by its destructor
  const AuthBlockError error = ParseAuthPayload(payload, creds);
  WipeBuffer(payload);
  if (error != AuthBlockError::None) return LogFailedLogon(s, log, creds.user, ERROR_INVALID_DATA);
  if (creds.domain.empty()) creds.domain = u".";
  uint32_t granted = 0;
  int32_t code = s.parts.logon ? s.parts.logon->CheckLogonAccess(log, creds.user, creds.domain, creds.password,
                                                                 MAXIMUM_ALLOWED, &granted)
                               : ERROR_ACCESS_DENIED;
  WipeText(creds.password);
  if (code == 0 && granted == 0) code = ERROR_ACCESS_DENIED;
  if (code != 0) return LogFailedLogon(s, log, creds.user, code);
  s.viewer.Admitted(creds.user, creds.domain, granted);
  return 0;
}

}  // namespace

int32_t AuthenticateViewer(cVkSessionManager::Shared& s, cOrkLog& log, cVkPendingConnection& connection) {
  const int32_t code = connection.code;
  switch (connection.state) {
    case PendingState::LengthFailed:
      log.LogMsg(LOG_ERROR, code, u"Error receiving authentication buffer length. Errorcode %ld.", code);
      return code;
    case PendingState::TooLong:
      log.LogMsg(LOG_ERROR, code, u"Authentication buffer to long. Errorcode %ld.", code);
      return code;
    case PendingState::Complete: {
      std::vector<uint8_t> payload(connection.bytes.begin() + 4, connection.bytes.end());
      return CheckBlock(s, log, payload);
    }
    default:
      log.LogMsg(LOG_ERROR, code, u"Error receiving authentication data. Errorcode %ld.", code);
      return code;
  }
}

}  // namespace vk
