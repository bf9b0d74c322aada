#include "common/viewer/pixel_format.h"

#include <algorithm>
#include <bit>

namespace vk {
namespace {

constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiBitFields = 3;

uint32_t Le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}

// Scales the masked field of `pixel` to 0..255.
uint8_t Channel(uint32_t pixel, uint32_t mask) {
  if (mask == 0) return 0;
  const int shift = std::countr_zero(mask);
  const int bits = std::popcount(mask);
  const uint32_t value = (pixel & mask) >> shift;
  const uint32_t max = bits >= 32 ? 0xFFFFFFFFu : ((1u << bits) - 1);
  return static_cast<uint8_t>((static_cast<uint64_t>(value) * 255 + max / 2) / max);
}

uint32_t ReadPixel(const uint8_t* p, uint32_t bytes) {
  uint32_t v = 0;
  for (uint32_t i = 0; i < bytes; ++i) v |= static_cast<uint32_t>(p[i]) << (8 * i);
  return v;
}

}  // namespace

bool PixelFormatFromHeader(std::span<const uint8_t> header, std::span<const uint8_t> colourTable, cVkPixelFormat& out) {
  if (header.size() < 40) return false;
  out = cVkPixelFormat{};
  out.bitsPerPixel = static_cast<uint32_t>(header[14] | (header[15] << 8));
  const uint32_t compression = Le32(header.data() + 16);
  if (compression == kBiBitFields) {
    if (colourTable.size() < 12 || (out.bitsPerPixel != 16 && out.bitsPerPixel != 32)) return false;
    out.bitFields = true;
    out.redMask = Le32(colourTable.data());
    out.greenMask = Le32(colourTable.data() + 4);
    out.blueMask = Le32(colourTable.data() + 8);
    return true;
  }
  if (compression != kBiRgb) return false;
  switch (out.bitsPerPixel) {
    case 16:  // plain 16-bit is 5-5-5
      out.bitFields = true;
      out.redMask = 0x7C00, out.greenMask = 0x03E0, out.blueMask = 0x001F;
      return true;
    case 24:
    case 32:
      out.bitFields = true;
      out.redMask = 0xFF0000, out.greenMask = 0x00FF00, out.blueMask = 0x0000FF;
      return true;
    case 8:
    case 4:
    case 1: {
      const size_t entries = std::min<size_t>(colourTable.size() / 4, 1u << out.bitsPerPixel);
      for (size_t i = 0; i < entries; ++i) {
        const uint8_t* q = colourTable.data() + 4 * i;  // blue, green, red, reserved
        out.palette[i] = (static_cast<uint32_t>(q[2]) << 16) | (static_cast<uint32_t>(q[1]) << 8) | q[0];
      }
      return true;
    }
    default:
      return false;
  }
}

uint32_t PixelToRgb(const cVkPixelFormat& format, const uint8_t* row, uint32_t x) {
  if (format.bitFields) {
    const uint32_t bytes = format.bitsPerPixel / 8;
    const uint32_t pixel = ReadPixel(row + x * bytes, bytes);
    return (static_cast<uint32_t>(Channel(pixel, format.redMask)) << 16) |
           (static_cast<uint32_t>(Channel(pixel, format.greenMask)) << 8) | Channel(pixel, format.blueMask);
  }
  const uint32_t bit = x * format.bitsPerPixel;
  const uint32_t shift = 8 - format.bitsPerPixel - bit % 8;  // leftmost pixel in the high bits
  const uint32_t index = (row[bit / 8] >> shift) & ((1u << format.bitsPerPixel) - 1);
  return format.palette[index];
}

bool IsXrgb32(const cVkPixelFormat& format) {
  return format.bitsPerPixel == 32 && format.bitFields && format.redMask == 0xFF0000 && format.greenMask == 0x00FF00 &&
         format.blueMask == 0x0000FF;
}

bool ConvertToRgb(const cVkPixelFormat& format, uint32_t width, uint32_t height, std::span<const uint8_t> pixels,
                  std::vector<uint8_t>& rgb) {
  const uint64_t rowBytes = (static_cast<uint64_t>(width) * format.bitsPerPixel + 7) / 8;
  if (format.bitsPerPixel == 0 || rowBytes * height > pixels.size()) return false;
  rgb.resize(static_cast<size_t>(width) * height * 3);
  uint8_t* out = rgb.data();
  for (uint32_t y = 0; y < height; ++y) {
    const uint8_t* row = pixels.data() + rowBytes * y;
    for (uint32_t x = 0; x < width; ++x, out += 3) {
      const uint32_t colour = PixelToRgb(format, row, x);
      out[0] = static_cast<uint8_t>(colour >> 16);
      out[1] = static_cast<uint8_t>(colour >> 8);
      out[2] = static_cast<uint8_t>(colour);
    }
  }
  return true;
}

}  // namespace vk
