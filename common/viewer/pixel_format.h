// Turning the agent's screen rows into 8-bit RGB.
//
// The agent describes its pixels with a device-independent bitmap header and
// a colour table: 32 or 16 bits per pixel with three colour masks (bit
// fields), 24 bits as blue, green, red bytes, 32 bits without masks as
// blue, green, red, unused, or 8 bits and fewer as palette indices.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace vk {

struct cVkPixelFormat {
  uint32_t bitsPerPixel = 0;
  bool bitFields = false;  // masks below apply (else the plain layouts above)
  uint32_t redMask = 0, greenMask = 0, blueMask = 0;
  std::array<uint32_t, 256> palette{};  // 0x00RRGGBB, for palette formats
};

// Builds the format from the 40-byte header and the colour table of a
// screen format record (little-endian, as on the wire). False when the
// header cannot be turned into RGB (unknown depth or compression).
bool PixelFormatFromHeader(std::span<const uint8_t> header, std::span<const uint8_t> colourTable, cVkPixelFormat& out);

// The colour of pixel x of a row as 0xRRGGBB.
uint32_t PixelToRgb(const cVkPixelFormat& format, const uint8_t* row, uint32_t x);
// True for 32-bit pixels laid out as blue, green, red, unused bytes (the
// X server's usual depth-24 format), which need no conversion.
bool IsXrgb32(const cVkPixelFormat& format);

// Converts `height` rows of `width` pixels (rows of width * bits / 8 bytes,
// unpadded, top row first) into RGB triplets. False when `pixels` is too
// short for the size.
bool ConvertToRgb(const cVkPixelFormat& format, uint32_t width, uint32_t height, std::span<const uint8_t> pixels,
                  std::vector<uint8_t>& rgb);

}  // namespace vk
