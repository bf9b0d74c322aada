#include "common/viewer/session_receiver.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "common/archive/archive_causes.h"
#include "common/archive/object_buffer.h"
#include "common/mfclog/mfc_log.h"
#include "common/protocol/session_messages.h"
#include "common/protocol/wire_bytes.h"
#include "common/screen/screen_info.h"
#include "log/orklog.h"
#include "platform/core/error_codes.h"

int32_t cVkSessionReceiver::ReceiveCommand(const Receive& receive, uint32_t* code) {
  uint8_t bytes[4];
  const int32_t rc = receive(bytes, sizeof bytes);
  if (rc != 0) {
    log_.LogNetMsg(LOG_ERROR, rc, u"An error has occurred while receiving command data. Errorcode %ld.", rc);
    return rc;
  }
  *code = vk::ReadLe32(bytes);
  return 0;
}

int32_t cVkSessionReceiver::HandleCommand(uint32_t code, const Receive& receive, iVkSessionEvents& events) {
  switch (code) {
    case vk::kUpdateMessage:
      return HandleScreenData(receive, events);
    case vk::kObjectMessage:
      return HandleScreenFormat(receive, events);
    case vk::kLogMessage:
      return HandleClosingLog(receive);
    case vk::kCursorMessage:
      return HandleCursor(receive, events);
    default:
      return 0;  // carries nothing further
  }
}

namespace {

// Receives `length` bytes into `buffer`, which grows only as they arrive: a
// length the peer claims costs memory once it has sent that much, not
// before. A buffer that already has the room takes them in one receive
// (and, as resize does, fills only what lies past its old size).
int32_t ReceiveGrowing(const cVkSessionReceiver::Receive& receive, uint32_t length, std::vector<uint8_t>& buffer) {
  constexpr size_t kStep = 256u << 10;
  size_t have = 0;
  while (have < length) {
    const size_t next = std::min<size_t>(length, std::max(buffer.capacity(), have + kStep));
    buffer.resize(next);
    if (int32_t rc = receive(buffer.data() + have, next - have); rc != 0) return rc;
    have = next;
  }
  buffer.resize(length);
  return 0;
}

}  // namespace

int32_t cVkSessionReceiver::ScreenDataFailed(int32_t code) {
  log_.LogNetMsg(LOG_ERROR, code, u"An error has occurred while receiving the screendata buffer data. Errorcode %ld.",
                 code);
  return code;
}

int32_t cVkSessionReceiver::HandleScreenData(const Receive& receive, iVkSessionEvents& events) {
  uint8_t head[4];
  int32_t rc = receive(head, sizeof head);
  if (rc != 0) return ScreenDataFailed(rc);
  const uint32_t length = vk::ReadLe32(head);
  const VkScreenGeometry geometry = screen_.Geometry();
  if (!geometry.IsValid()) {
    log_.LogMsg(LOG_ERROR, ERROR_INVALID_DATA, u"Screen data arrived before the screen format. Errorcode %ld.",
                ERROR_INVALID_DATA);
    return ScreenDataFailed(ERROR_INVALID_DATA);
  }
  if (length == 0) {
    events.OnScreenData();  // no change, but the window is told all the same
    return 0;
  }
  if (length > geometry.ReceiveBytes()) {
    log_.LogMsg(LOG_ERROR, ERROR_INVALID_DATA,
                u"The screen data (%lu bytes) is longer than a screen of %ldx%ld can need. Errorcode %ld.", length,
                geometry.width, geometry.height, ERROR_INVALID_DATA);
    return ScreenDataFailed(ERROR_INVALID_DATA);
  }
  rc = ReceiveGrowing(receive, length, stream_);
  if (rc != 0) return ScreenDataFailed(rc);
  rc = screen_.ApplyBlock(stream_);
  if (rc != 0) {
    log_.LogMsg(LOG_ERROR, rc,
                u"The screen data does not inflate into sections inside the screen of %ldx%ld. Errorcode %ld.",
                geometry.width, geometry.height, rc);
    return ScreenDataFailed(rc);
  }
  events.OnScreenData();
  return 0;
}

int32_t cVkSessionReceiver::ObjectFailed(int32_t code) {
  log_.LogNetMsg(LOG_ERROR, code, u"An error has occurred while receiving an object from the socket. Errorcode %ld.",
                 code);
  return code;
}

int32_t cVkSessionReceiver::ReceiveObjectRecord(const Receive& receive) {
  uint8_t head[4];
  int32_t rc = receive(head, sizeof head);
  if (rc != 0) {
    log_.LogNetMsg(LOG_ERROR, rc, u"An error has occurred while receiving the buffer size. Errorcode %ld.", rc);
    return ObjectFailed(rc);
  }
  const uint32_t length = vk::ReadLe32(head);
  if (length > kObjectLimit) {
    log_.LogMsg(LOG_ERROR, ERROR_INVALID_DATA,
                u"An object of %lu bytes is more than the connection carries. Errorcode %ld.", length,
                ERROR_INVALID_DATA);
    log_.LogMsg(LOG_ERROR, ERROR_INVALID_DATA, u"An error has occurred while receiving the buffer. Errorcode %ld.",
                ERROR_INVALID_DATA);
    return ObjectFailed(ERROR_INVALID_DATA);
  }
  rc = ReceiveGrowing(receive, length, record_);
  if (rc != 0) {
    log_.LogNetMsg(LOG_ERROR, rc, u"An error has occurred while receiving the buffer. Errorcode %ld.", rc);
    return ObjectFailed(rc);
  }
  return 0;
}

int32_t cVkSessionReceiver::HandleScreenFormat(const Receive& receive, iVkSessionEvents& events) {
  int32_t rc = ReceiveObjectRecord(receive);
  if (rc != 0) return rc;
  std::unique_ptr<cVkScreenInfo> info;
  rc = ObjectFromBufferAs(record_.data(), record_.size(), info);
  if (rc != 0) {
    log_.LogMsg(LOG_ERROR, rc, u"An error has occurred while creating an object from the buffer. Errorcode %ld.", rc);
    return ObjectFailed(rc);
  }
  rc = info->Geometry().FrameBytes() > frameLimit_ ? ERROR_NOT_ENOUGH_MEMORY : screen_.ApplyScreenInfo(*info);
  if (rc != 0) {
    log_.LogMsg(LOG_ERROR, rc, u"The screen format %ldx%ld with %ld bits per pixel cannot be shown. Errorcode %ld.",
                info->header.width, info->header.height, static_cast<int32_t>(info->header.bitCount), rc);
    return rc;
  }
  events.OnScreenFormat();
  return 0;
}

int32_t cVkSessionReceiver::HandleClosingLog(const Receive& receive) {
  int32_t rc = ReceiveObjectRecord(receive);
  if (rc != 0) return rc;
  std::unique_ptr<cOrkMfcLog> agentLog;
  rc = ObjectFromBufferAs(record_.data(), record_.size(), agentLog);
  if (rc != 0) {
    log_.LogMsg(LOG_ERROR, rc, u"An error has occurred while creating an object from the buffer. Errorcode %ld.", rc);
    return ObjectFailed(rc);
  }
  agentLog->ToLog(log_);
  return kVkSessionClosedByAgent;
}

int32_t cVkSessionReceiver::HandleCursor(const Receive& receive, iVkSessionEvents& events) {
  uint8_t bytes[4];
  const int32_t rc = receive(bytes, sizeof bytes);
  if (rc != 0) {
    log_.LogNetMsg(LOG_ERROR, rc, u"An error has occurred while receiving a mouse message. Errorcode %ld.", rc);
    return rc;
  }
  events.OnCursor(vk::ReadLe32(bytes));
  return 0;
}
