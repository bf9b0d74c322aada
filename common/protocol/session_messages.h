// Messages the agent sends on the update connection. Each opens with a
// DWORD type; update, object and log messages then carry a DWORD length and
// that many bytes, a cursor message a DWORD index.
#pragma once

#include <array>
#include <cstdint>

#include "common/protocol/wire_bytes.h"

namespace vk {

inline constexpr uint32_t kUpdateMessage = 1;  // zlib stream of changed sections
inline constexpr uint32_t kObjectMessage = 2;  // archived cVkScreenInfo
inline constexpr uint32_t kLogMessage = 3;     // archived cOrkMfcLog; the connection closes after it
inline constexpr uint32_t kCursorMessage = 4;  // index into the cursor list

using MessageHead = std::array<uint8_t, 8>;

// Type and length (or, for a cursor message, type and index).
inline MessageHead MakeMessageHead(uint32_t type, uint32_t value) {
  MessageHead head;
  WriteLe32(head.data(), type);
  WriteLe32(head.data() + 4, value);
  return head;
}

}  // namespace vk
