// Authentication of a new viewer: the block, its strict parsing and the
// access check. The password exists only in this step's buffers and is wiped
// before it returns.
#include <algorithm>
#include <array>
#include <chrono>
#include <vector>

#include "common/protocol/auth_block.h"
#include "common/protocol/secure_wipe.h"
#include "agent/session/session_shared.h"
#include "common/protocol/wire_bytes.h"
#include "log/orklog.h"
#include "platform/core/error_codes.h"

namespace vk {
namespace {

constexpr int kSessionTimeoutMs = 1200000;

// Receives exactly `length` bytes before `deadline`. Each receive waits at
// most for the time left, so a console that trickles its block a byte at a
// time still cannot hold the connection past the deadline.
int32_t ReceiveBefore(cVkSocket& socket, cOrkLog& log, uint8_t* bytes, size_t length,
                      std::chrono::steady_clock::time_point deadline) {
  using namespace std::chrono;
  for (size_t done = 0; done < length; ++done) {
    const auto left = duration_cast<milliseconds>(deadline - steady_clock::now()).count();
    if (left <= 0) return WSAETIMEDOUT;
    const int timeout = static_cast<int>(std::min<int64_t>(left, kSessionTimeoutMs));
    int32_t code = socket.SetOption(log, net::kSolSocket, net::kSoRcvTimeo, timeout);
    if (code == 0) code = socket.ReceiveAll(bytes + done, 1);
    if (code != 0) return steady_clock::now() >= deadline ? WSAETIMEDOUT : code;
  }
  return 0;
}

// Parses the block and runs the access check; wipes the password.
int32_t CheckBlock(cVkSessionManager::Shared& s, cOrkLog& log, std::vector<uint8_t>& payload) {
  cVkAuthCredentials creds;  // wiped by its destructor
  const AuthBlockError error = ParseAuthPayload(payload, creds);
  WipeBuffer(payload);
  if (error != AuthBlockError::None) {
    const int32_t code = ERROR_INVALID_DATA;
    log.LogMsg(LOG_ERROR, code, u"Error authenticating '%s'. Errorcode %ld.", creds.user, code);
    return code;
  }
  if (creds.domain.empty()) creds.domain = u".";
  uint32_t granted = 0;
  int32_t code = s.parts.logon ? s.parts.logon->CheckLogonAccess(log, creds.user, creds.domain, creds.password,
                                                                 kMaximumAllowedAccess, &granted)
                               : ERROR_ACCESS_DENIED;
  WipeText(creds.password);
  if (code == 0 && granted == 0) code = ERROR_ACCESS_DENIED;
  if (code != 0) {
    log.LogMsg(LOG_ERROR, code, u"Error authenticating '%s'. Errorcode %ld.", creds.user, code);
    return code;
  }
  std::lock_guard lock(s.credentialsLock);
  s.user = creds.user;
  s.domain = creds.domain;
  s.grantedMask = granted;
  return 0;
}

}  // namespace

int32_t AuthenticateViewer(cVkSessionManager::Shared& s, cOrkLog& log,
                           std::chrono::steady_clock::time_point deadline) {
  cVkSocket& socket = s.sessionSocket;
  std::array<uint8_t, 4> totalBytes{};
  int32_t code = ReceiveBefore(socket, log, totalBytes.data(), totalBytes.size(), deadline);
  if (code != 0) {
    log.LogMsg(LOG_ERROR, code, u"Error receiving authentication buffer length. Errorcode %ld.", code);
    return code;
  }
  const uint32_t total = ReadLe32(totalBytes.data());
  if (!AuthPayloadSizeAllowed(total)) {
    code = -1;
    log.LogMsg(LOG_ERROR, code, u"Authentication buffer to long. Errorcode %ld.", code);
    return code;
  }
  std::vector<uint8_t> payload(total - 4);
  code = ReceiveBefore(socket, log, payload.data(), payload.size(), deadline);
  if (code != 0) {
    WipeBuffer(payload);
    log.LogMsg(LOG_ERROR, code, u"Error receiving authentication data. Errorcode %ld.", code);
    return code;
  }
  // From here on the session's own time-out applies.
  const int32_t restored = socket.SetOption(log, net::kSolSocket, net::kSoRcvTimeo, kSessionTimeoutMs);
  if (restored != 0)
    log.LogMsg(LOG_ERROR, restored, u"Error setting socket option SO_RCVTIMEO for new connection. Errorcode %ld.",
               restored);
  return CheckBlock(s, log, payload);
}

}  // namespace vk
