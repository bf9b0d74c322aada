// The X screen's pixel format in the device-independent bitmap form that the
// viewer understands: a 40-byte bitmap header and a 257-entry colour table
// (bit masks for direct-colour formats, the palette for palette formats).
#pragma once

#include <array>
#include <cstdint>

namespace vk {

inline constexpr uint32_t BI_RGB = 0;
inline constexpr uint32_t BI_BITFIELDS = 3;

struct BitmapInfoHeader {
  uint32_t size = 40;
  int32_t width = 0;
  int32_t height = 0;
  uint16_t planes = 1;
  uint16_t bitCount = 0;
  uint32_t compression = BI_RGB;
  uint32_t sizeImage = 0;
  int32_t xPelsPerMeter = 0;
  int32_t yPelsPerMeter = 0;
  uint32_t clrUsed = 0;
  uint32_t clrImportant = 0;
};
static_assert(sizeof(BitmapInfoHeader) == 40);

struct ScreenFormat {
  int32_t width = 0;
  int32_t height = 0;
  int32_t bytesPerPixel = 0;
  bool trueColour = true;
  BitmapInfoHeader header;
  // Entries as little-endian DWORDs: blue, green, red, reserved bytes; for
  // BI_BITFIELDS entries 0..2 hold the red, green and blue masks.
  std::array<uint32_t, 257> colours{};
};

}  // namespace vk
