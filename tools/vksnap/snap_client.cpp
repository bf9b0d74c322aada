#include "tools/vksnap/snap_client.h"

#include <algorithm>
#include <memory>
#include <thread>

#include "common/protocol/auth_block.h"
#include "common/protocol/secure_wipe.h"
#include "common/protocol/session_messages.h"
#include "common/protocol/wire_bytes.h"
#include "common/archive/object_buffer.h"
#include "common/archive/register_archive.h"
#include "common/screen/register_screen.h"
#include "common/screen/screen_info.h"
#include "common/mfclog/mfc_log.h"
#include "platform/core/error_codes.h"
#include "common/viewer/pixel_format.h"

namespace vk {
namespace {

using Clock = std::chrono::steady_clock;
constexpr uint32_t kRecordLimit = 64u << 20;  // no screen format or log comes near this
constexpr auto kConnectRetry = std::chrono::milliseconds(200);

}  // namespace

cVkSnapClient::cVkSnapClient(cOrkLog& log) : log_(log) {
  VkRegisterArchiveClasses();
  VkRegisterScreenClasses();
  VkRegisterMfcLogClasses();
}

int32_t cVkSnapClient::Run(const cVkSnapOptions& options) {
  const auto deadline = Clock::now() + std::chrono::seconds(options.seconds);
  int32_t code = Connect(options, deadline);
  if (code == 0) code = ReceiveLoop(options, deadline);
  socket_.Close(log_);
  if (haveFormat_ && (updates_ > 0 || code == 0)) return 0;
  return code != 0 ? code : WAIT_TIMEOUT_CODE;
}

// Connects, retrying while nobody listens yet (an agent that is starting),
// then sends the authentication block.
int32_t cVkSnapClient::Connect(const cVkSnapOptions& options, Clock::time_point deadline) {
  uint32_t address = 0;
  int32_t code = ResolveAddress(log_, FromUtf8(options.host), &address);
  if (code != 0) return code;
  for (;;) {
    cOrkLog attempt;
    code = socket_.Create(attempt, net::kStream);
    if (code == 0) code = socket_.SetOption(attempt, net::kSolSocket, net::kSoKeepAlive, 1);
    // A message cut short by a stalled agent ends the run at its time limit.
    if (code == 0)
      code = socket_.SetOption(attempt, net::kSolSocket, net::kSoRcvTimeo, static_cast<int>(options.seconds) * 1000);
    if (code == 0) code = socket_.Connect(attempt, address, options.port);
    if (code == 0) break;
    socket_.Close(attempt);
    if (code != WSAECONNREFUSED || Clock::now() + kConnectRetry >= deadline) {
      log_.AddLog(attempt);
      log_.LogMsg(LOG_ERROR, code, u"Error connecting to %S on port %ld. Errorcode %ld.", options.host,
                  static_cast<int32_t>(options.port), code);
      return code;
    }
    std::this_thread::sleep_for(kConnectRetry);
  }
  std::vector<uint8_t> block = BuildAuthBlock(options.user, options.domain, options.password);
  code = socket_.SendAll(block.data(), block.size());
  WipeBuffer(block);
  if (code != 0)
    log_.LogNetMsg(LOG_ERROR, code, u"An error has occurred while sending the authentication data. Errorcode %ld.",
                   code);
  return code;
}

int32_t cVkSnapClient::ReceiveLoop(const cVkSnapOptions& options, Clock::time_point deadline) {
  while (afterUpdate_ ? !observerDone_ : updates_ < options.updates) {
    if (Clock::now() >= deadline) return WAIT_TIMEOUT_CODE;
    bool readable = false;
    int32_t code = socket_.IsReadable(&readable);
    if (code != 0) return code;
    if (!readable) continue;
    uint8_t typeBytes[4];
    code = Receive(typeBytes, 4);
    if (code == 0) code = HandleMessage(ReadLe32(typeBytes));
    if (code == VK_PEER_CLOSED) {
      agentClosed_ = true;
      log_.LogMsg(LOG_WARNING, u"The connection was closed by the remote machine.");
    }
    if (code != 0) return code;
  }
  return 0;
}

void cVkSnapClient::StartCoverage() {
  int32_t width = 0, height = 0;
  screen_.GetSize(&width, &height);
  covered_.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
  uncovered_ = covered_.size();
  screen_.TakeDirtyRects();
}

// Marks what the last update painted; true once the whole screen has come.
bool cVkSnapClient::MarkCovered() {
  std::vector<VkRect> rects = screen_.TakeDirtyRects();
  if (uncovered_ == 0) return true;
  int32_t width = 0, height = 0;
  screen_.GetSize(&width, &height);
  for (const VkRect& r : rects) {
    int32_t left = std::max(r.left, 0), right = std::min(r.right, width);
    for (int32_t y = std::max(r.top, 0); y < std::min(r.bottom, height); ++y) {
      uint8_t* row = covered_.data() + static_cast<size_t>(y) * static_cast<size_t>(width);
      for (int32_t x = left; x < right; ++x) {
        uncovered_ -= row[x] == 0;
        row[x] = 1;
      }
    }
  }
  return uncovered_ == 0;
}

int32_t cVkSnapClient::HandleMessage(uint32_t type) {
  std::vector<uint8_t> record;
  int32_t code = 0;
  switch (type) {
    case kUpdateMessage:
      if (!haveFormat_) {
        log_.LogMsg(LOG_ERROR, ERROR_INVALID_DATA, u"Screen data arrived before the screen format. Errorcode %ld.",
                    ERROR_INVALID_DATA);
        return ERROR_INVALID_DATA;
      }
      code = screen_.ApplyUpdate([this](void* bytes, size_t length) { return Receive(bytes, length); });
      if (code != 0) {
        log_.LogNetMsg(LOG_ERROR, code,
                       u"An error has occurred while receiving the screendata buffer data. Errorcode %ld.", code);
        return code;
      }
      if (!MarkCovered()) return 0;
      if (++updates_ == 1) bytesAtFirstUpdate_ = bytesReceived_;
      if (afterUpdate_ && !afterUpdate_()) observerDone_ = true;
      return 0;
    case kObjectMessage: {
      if ((code = ReceiveRecord(record)) != 0) return code;
      std::unique_ptr<cVkScreenInfo> info;
      code = ObjectFromBufferAs(record.data(), record.size(), info);
      if (code == 0 && info)
        code = screen_.ApplyScreenInfo(*info);
      else if (code == 0)
        code = ERROR_INVALID_DATA;
      if (code != 0) {
        log_.LogMsg(LOG_ERROR, code, u"An error has occurred while creating an object from the buffer. Errorcode %ld.",
                    code);
        return code;
      }
      haveFormat_ = true;
      StartCoverage();
      return 0;
    }
    case kLogMessage: {
      if ((code = ReceiveRecord(record)) != 0) return code;
      std::unique_ptr<cOrkMfcLog> agentLog;
      if (ObjectFromBufferAs(record.data(), record.size(), agentLog) == 0 && agentLog) {
        cOrkLog lines;
        agentLog->ToLog(lines);
        log_.AddLog(lines);
      }
      return VK_PEER_CLOSED;
    }
    case kCursorMessage: {
      uint8_t index[4];
      if ((code = Receive(index, 4)) != 0) return code;
      cursor_ = ReadLe32(index);
      return 0;
    }
    default:
      return 0;  // unknown messages carry nothing further
  }
}

int32_t cVkSnapClient::ReceiveRecord(std::vector<uint8_t>& bytes) {
  uint8_t lengthBytes[4];
  int32_t code = Receive(lengthBytes, 4);
  if (code != 0) {
    log_.LogNetMsg(LOG_ERROR, code, u"An error has occurred while receiving the buffer size. Errorcode %ld.", code);
    return code;
  }
  const uint32_t length = ReadLe32(lengthBytes);
  if (length > kRecordLimit) {
    code = ERROR_INVALID_DATA;
    log_.LogMsg(LOG_ERROR, code, u"An error has occurred while receiving the buffer. Errorcode %ld.", code);
    return code;
  }
  bytes.resize(length);
  code = length ? Receive(bytes.data(), length) : 0;
  if (code != 0)
    log_.LogNetMsg(LOG_ERROR, code, u"An error has occurred while receiving the buffer. Errorcode %ld.", code);
  return code;
}

int32_t cVkSnapClient::Receive(void* bytes, size_t length) {
  const int32_t code = socket_.ReceiveAll(bytes, length);
  if (code == 0) bytesReceived_ += length;
  return code;
}

bool cVkSnapClient::Picture(uint32_t& width, uint32_t& height, std::vector<uint8_t>& rgb) {
  if (!haveFormat_) return false;
  bool converted = false;
  screen_.ReadFrame([&](std::span<const uint8_t> frame, const VkScreenGeometry& geometry, const cVkScreenInfo& info) {
    const auto bytes = info.ToBytes();
    const std::span<const uint8_t> all(bytes);
    cVkPixelFormat format;
    if (!PixelFormatFromHeader(all.subspan(4, 40), all.subspan(44), format)) return;
    width = static_cast<uint32_t>(geometry.width);
    height = static_cast<uint32_t>(geometry.height);
    converted = ConvertToRgb(format, width, height, frame, rgb);
  });
  return converted;
}

}  // namespace vk
