// Wiping buffers that held a secret (the viewer's password) before they are
// released: a plain memset before a free may be optimised away, a write
// through a volatile pointer may not.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vk {

inline void WipeBytes(void* data, size_t size) {
  volatile unsigned char* p = static_cast<volatile unsigned char*>(data);
  for (size_t i = 0; i < size; ++i) p[i] = 0;
}

// Zeroes the whole capacity, then empties the string.
inline void WipeText(std::u16string& text) {
  text.resize(text.capacity());
  WipeBytes(text.data(), text.size() * sizeof(char16_t));
  text.clear();
}

inline void WipeBuffer(std::vector<uint8_t>& bytes) {
  bytes.resize(bytes.capacity());
  WipeBytes(bytes.data(), bytes.size());
  bytes.clear();
}

}  // namespace vk
