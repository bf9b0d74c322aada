// Test support: the bytes an agent sends on the update connection, built
// with the system's own records (screen format, update blocks, session log).
#pragma once

#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "common/archive/object_buffer.h"
#include "common/mfclog/mfc_log.h"
#include "common/protocol/session_messages.h"
#include "common/protocol/wire_bytes.h"
#include "common/screen/screen_info.h"
#include "common/screen/update_block_builder.h"
#include "log/orklog.h"

namespace vktest {

class AgentWire {
 public:
  std::vector<uint8_t> bytes;

  void Dword(uint32_t v) { vk::AppendLe32(bytes, v); }
  void Append(const std::vector<uint8_t>& more) { bytes.insert(bytes.end(), more.begin(), more.end()); }
  void Message(uint32_t type, const std::vector<uint8_t>& payload) {
    Dword(type);
    Dword(static_cast<uint32_t>(payload.size()));
    Append(payload);
  }
  void Object(uint32_t type, const cVkObject& object) {
    std::vector<uint8_t> record;
    ObjectToBuffer(&object, record);
    Message(type, record);
  }
  void Format(int32_t width, int32_t height, uint16_t bits = 32) {
    Object(vk::kObjectMessage, cVkScreenInfo::ForTrueColour(width, height, bits, 0xFF0000, 0x00FF00, 0x0000FF));
  }
  // One update of the given sections (rows from `pixel`, 4 bytes a pixel).
  void Update(const std::vector<VkRect>& rects, uint32_t pixel) { Message(vk::kUpdateMessage, Stream(rects, pixel)); }
  void Cursor(uint32_t index) {
    Dword(vk::kCursorMessage);
    Dword(index);
  }
  void ClosingLog(const char16_t* text, int32_t code) {
    cOrkLog log;
    log.SetMemLogMask(LOG_ALL);
    log.LogMsg(LOG_ERROR, code, u"%s", text);
    cOrkMfcLog messages(log);
    Object(vk::kLogMessage, messages);
  }

  static std::vector<uint8_t> Deflate(const std::vector<uint8_t>& raw) {
    uLongf length = compressBound(raw.size());
    std::vector<uint8_t> out(length);
    compress2(out.data(), &length, raw.data(), raw.size(), 6);
    out.resize(length);
    return out;
  }
  static std::vector<uint8_t> Sections(const std::vector<VkRect>& rects, uint32_t pixel) {
    std::vector<uint8_t> raw;
    for (const VkRect& r : rects) {
      uint8_t head[16];
      VkWriteSectionHead(head, r);
      raw.insert(raw.end(), head, head + 16);
      for (int64_t i = 0; i < int64_t{r.Width()} * r.Height(); ++i) vk::AppendLe32(raw, pixel);
    }
    return raw;
  }
  static std::vector<uint8_t> Stream(const std::vector<VkRect>& rects, uint32_t pixel) {
    return Deflate(Sections(rects, pixel));
  }
};

// Hands out a byte string the way a socket's ReceiveAll does: -19 at its end.
class WireReader {
 public:
  explicit WireReader(const std::vector<uint8_t>& bytes) : bytes_(bytes) {}
  int32_t Receive(void* out, size_t length) {
    if (bytes_.size() - at_ < length) return -19;
    std::memcpy(out, bytes_.data() + at_, length);
    at_ += length;
    return 0;
  }
  bool AtEnd() const { return at_ == bytes_.size(); }

 private:
  const std::vector<uint8_t>& bytes_;
  size_t at_ = 0;
};

}  // namespace vktest
