// The screen's pixel format in device-independent bitmap form: the
// true-colour flag, the 40-byte bitmap header and a colour table of 257
// entries (the three colour masks for bit-field formats, the palette for
// palette formats). The capturer fills it, the screen format record carries
// it to the viewer.
#pragma once

#include <array>
#include <cstdint>

#include "platform/geometry/screen_geometry.h"

inline constexpr uint32_t VK_BI_RGB = 0;
inline constexpr uint32_t VK_BI_BITFIELDS = 3;

struct VkBitmapInfoHeader {
  uint32_t size = 40;
  int32_t width = 0;
  int32_t height = 0;  // negative for top-down rows
  uint16_t planes = 1;
  uint16_t bitCount = 0;
  uint32_t compression = VK_BI_RGB;
  uint32_t sizeImage = 0;
  int32_t xPelsPerMeter = 0;
  int32_t yPelsPerMeter = 0;
  uint32_t clrUsed = 0;
  uint32_t clrImportant = 0;
  bool operator==(const VkBitmapInfoHeader&) const = default;
};

// One colour-table entry; as a little-endian DWORD blue is the low byte.
struct VkRgbQuad {
  uint8_t blue = 0;
  uint8_t green = 0;
  uint8_t red = 0;
  uint8_t reserved = 0;
  bool operator==(const VkRgbQuad&) const = default;

  static constexpr VkRgbQuad FromDword(uint32_t v) {
    return {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
            static_cast<uint8_t>(v >> 24)};
  }
  constexpr uint32_t ToDword() const {
    return blue | (static_cast<uint32_t>(green) << 8) | (static_cast<uint32_t>(red) << 16) |
           (static_cast<uint32_t>(reserved) << 24);
  }
};

struct VkScreenFormat {
  static constexpr size_t kColourEntries = 257;

  uint32_t trueColour = 0;  // 1 unless the screen is a palette device
  VkBitmapInfoHeader header;
  std::array<VkRgbQuad, kColourEntries> colours{};

  bool operator==(const VkScreenFormat&) const = default;

  // W, H (the header's height taken positive) and B of this format.
  VkScreenGeometry Geometry() const {
    int64_t height = header.height;
    if (height < 0) height = -height;
    VkScreenGeometry g;
    g.width = header.width;
    g.height = height > INT32_MAX ? 0 : static_cast<int32_t>(height);
    g.bytesPerPixel = header.bitCount / 8;
    return g;
  }
};
