#include "agent/session/session_pending.h"

#include <algorithm>

#include "common/protocol/auth_block.h"
#include "common/protocol/secure_wipe.h"
#include "common/protocol/wire_bytes.h"
#include "log/orklog.h"
#include "platform/core/error_codes.h"

namespace vk {
namespace {

constexpr size_t kLengthBytes = 4;

}  // namespace

cVkPendingConnection::~cVkPendingConnection() {
  WipeBuffer(bytes);
  if (!socket) return;
  cOrkLog ignored;
  socket->Close(ignored);
}

void cVkPendingConnection::ReceiveAvailable() {
  if (Settled()) return;
  const bool haveLength = bytes.size() >= kLengthBytes;
  const size_t wanted = haveLength ? ReadLe32(bytes.data()) : kLengthBytes;
  const size_t done = bytes.size();
  bytes.resize(wanted);
  size_t got = 0;
  const int32_t result = socket->ReceiveSome(bytes.data() + done, wanted - done, &got);
  bytes.resize(done + got);
  if (result != 0) {
    state = haveLength ? PendingState::DataFailed : PendingState::LengthFailed;
    code = result;
    return;
  }
  if (bytes.size() < wanted) return;
  if (!haveLength) {
    // The length has arrived: check it before anything else is read.
    if (!AuthPayloadSizeAllowed(ReadLe32(bytes.data()))) {
      state = PendingState::TooLong;
      code = -1;
      return;
    }
    if (ReadLe32(bytes.data()) > kLengthBytes) return;  // the block follows
  }
  state = PendingState::Complete;
}

void cVkPendingConnection::Expire() {
  if (Settled()) return;
  state = bytes.size() >= kLengthBytes ? PendingState::DataFailed : PendingState::LengthFailed;
  code = WSAETIMEDOUT;
}

}  // namespace vk
