// Byte vectors written as hex text in tests ("05 00 0b 03 ...").
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace vk::testing {

inline std::vector<uint8_t> Hex(std::string_view text) {
  std::vector<uint8_t> bytes;
  int high = -1;
  for (char c : text) {
    int nibble = (c >= '0' && c <= '9') ? c - '0' : (c >= 'a' && c <= 'f') ? c - 'a' + 10 : -1;
    if (nibble < 0) continue;
    if (high < 0) {
      high = nibble;
    } else {
      bytes.push_back(static_cast<uint8_t>(high << 4 | nibble));
      high = -1;
    }
  }
  return bytes;
}

}  // namespace vk::testing
