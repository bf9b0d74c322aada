// Turns the X root visual into the screen format.
#pragma once

#include <cstdint>
#include <span>

#include "platform/geometry/screen_format.h"

struct xcb_connection_t;
struct xcb_screen_t;

namespace vk::x11 {

struct VisualDescription {
  int32_t width = 0;
  int32_t height = 0;
  int32_t bitsPerPixel = 0;  // of the depth's ZPixmap format
  bool directColour = true;  // TrueColor or DirectColor
  uint32_t redMask = 0;
  uint32_t greenMask = 0;
  uint32_t blueMask = 0;
  std::span<const uint32_t> palette;  // 0x00RRGGBB entries of palette visuals
};

struct VisualFormat {
  VkScreenFormat format;
  int32_t bitsPerPixel = 0;
  int32_t scanlinePad = 32;
};

// The bitmap header and colour table for a visual: 16 and 32 bits per pixel
// as bit fields with the visual's masks, 24 as plain RGB, 8 (and less, taken
// as 8) with the palette. 0 or ERROR_NOT_SUPPORTED.
int32_t MakeScreenFormat(const VisualDescription& visual, VkScreenFormat& out);

// Reads the root visual, its ZPixmap format and (palette visuals) the default
// colour map; 0 or an error code.
int32_t DescribeRootVisual(xcb_connection_t* connection, const xcb_screen_t* screen, VisualFormat& out);

}  // namespace vk::x11
