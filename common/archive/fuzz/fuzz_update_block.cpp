// libFuzzer target: update blocks applied to a small screen copy.
//
// The first bytes choose the screen (width, height 1..64, bytes per pixel
// 1..4) and the mode: the rest is either applied as the compressed stream
// it is, or first compressed, so that the section walk sees any content.
#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "common/screen/screen_buffer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  int32_t width = 1 + data[0] % 64;
  int32_t height = 1 + data[1] % 64;
  uint16_t bits = static_cast<uint16_t>(8 * (1 + data[2] % 4));
  bool compressFirst = (data[3] & 1) != 0;
  data += 4;
  size -= 4;

  cVkScreenBuffer screen;
  if (screen.ApplyScreenInfo(cVkScreenInfo::ForTrueColour(width, height, bits, 0xFF0000, 0xFF00, 0xFF)) != 0) {
    std::abort();
  }
  if (!compressFirst) {
    screen.ApplyBlock({data, size});
    return 0;
  }
  std::vector<uint8_t> stream(compressBound(size));
  uLongf length = stream.size();
  if (compress2(stream.data(), &length, data, size, 1) != Z_OK) std::abort();
  screen.ApplyBlock({stream.data(), length});
  // Through the connection form as well: a 32-bit length, then the stream.
  std::vector<uint8_t> wire(4 + length);
  for (int i = 0; i < 4; ++i) wire[i] = static_cast<uint8_t>(length >> (8 * i));
  std::copy(stream.begin(), stream.begin() + static_cast<std::ptrdiff_t>(length), wire.begin() + 4);
  size_t at = 0;
  screen.ApplyUpdate([&](void* out, size_t n) -> int32_t {
    if (n > wire.size() - at) return -19;
    std::copy(wire.begin() + static_cast<std::ptrdiff_t>(at), wire.begin() + static_cast<std::ptrdiff_t>(at + n),
              static_cast<uint8_t*>(out));
    at += n;
    return 0;
  });
  screen.TakeDirtyRects();
  return 0;
}
