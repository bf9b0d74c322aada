#include "platform/x11/visual_format.h"

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "platform/core/error_codes.h"

namespace vk::x11 {

int32_t MakeScreenFormat(const VisualDescription& visual, VkScreenFormat& out) {
  const int32_t bits = visual.bitsPerPixel;
  if (bits != 8 && bits != 16 && bits != 24 && bits != 32) return ERROR_NOT_SUPPORTED;
  if (bits == 8 && visual.directColour) return ERROR_NOT_SUPPORTED;
  if (bits != 8 && !visual.directColour) return ERROR_NOT_SUPPORTED;
  out = VkScreenFormat{};
  out.trueColour = visual.directColour ? 1 : 0;
  VkBitmapInfoHeader& h = out.header;
  h.width = visual.width;
  h.height = visual.height;
  h.bitCount = static_cast<uint16_t>(bits);
  const uint32_t stride = (static_cast<uint32_t>(visual.width) * bits / 8 + 3) & ~3u;
  h.sizeImage = stride * static_cast<uint32_t>(visual.height);
  if (bits == 16 || bits == 32) {
    h.compression = VK_BI_BITFIELDS;
    out.colours[0] = VkRgbQuad::FromDword(visual.redMask);
    out.colours[1] = VkRgbQuad::FromDword(visual.greenMask);
    out.colours[2] = VkRgbQuad::FromDword(visual.blueMask);
  } else if (bits == 24) {
    // Plain 24-bit rows are blue, green, red: the X layout only with these masks.
    if (visual.redMask != 0xFF0000 || visual.greenMask != 0x00FF00 || visual.blueMask != 0x0000FF) {
      return ERROR_NOT_SUPPORTED;
    }
  } else {
    const size_t count = std::min<size_t>(visual.palette.size(), 256);
    for (size_t i = 0; i < count; ++i) out.colours[i] = VkRgbQuad::FromDword(visual.palette[i] & 0xFFFFFF);
    h.clrUsed = static_cast<uint32_t>(count);
  }
  return 0;
}

namespace {

const xcb_visualtype_t* FindVisual(const xcb_screen_t* screen, uint8_t& depth) {
  auto depths = xcb_screen_allowed_depths_iterator(screen);
  for (; depths.rem; xcb_depth_next(&depths)) {
    auto visuals = xcb_depth_visuals_iterator(depths.data);
    for (; visuals.rem; xcb_visualtype_next(&visuals)) {
      if (visuals.data->visual_id == screen->root_visual) {
        depth = depths.data->depth;
        return visuals.data;
      }
    }
  }
  return nullptr;
}

std::vector<uint32_t> ReadPalette(xcb_connection_t* connection, const xcb_screen_t* screen, uint8_t depth) {
  const uint32_t count = depth >= 8 ? 256u : (1u << depth);
  std::vector<uint32_t> pixels(count);
  for (uint32_t i = 0; i < count; ++i) pixels[i] = i;
  std::vector<uint32_t> palette;
  auto reply = xcb_query_colors_reply(
      connection, xcb_query_colors(connection, screen->default_colormap, count, pixels.data()), nullptr);
  if (!reply) return palette;
  const xcb_rgb_t* colours = xcb_query_colors_colors(reply);
  const int n = xcb_query_colors_colors_length(reply);
  for (int i = 0; i < n; ++i) {
    palette.push_back(static_cast<uint32_t>(colours[i].red >> 8) << 16 |
                      static_cast<uint32_t>(colours[i].green >> 8) << 8 | (colours[i].blue >> 8));
  }
  std::free(reply);
  return palette;
}

}  // namespace

int32_t DescribeRootVisual(xcb_connection_t* connection, const xcb_screen_t* screen, VisualFormat& out) {
  const xcb_setup_t* setup = xcb_get_setup(connection);
  uint8_t depth = 0;
  const xcb_visualtype_t* visual = FindVisual(screen, depth);
  if (!visual) return ERROR_NOT_SUPPORTED;
  VisualDescription description;
  description.width = screen->width_in_pixels;
  description.height = screen->height_in_pixels;
  auto formats = xcb_setup_pixmap_formats_iterator(setup);
  for (; formats.rem; xcb_format_next(&formats)) {
    if (formats.data->depth == depth) {
      description.bitsPerPixel = formats.data->bits_per_pixel;
      out.scanlinePad = formats.data->scanline_pad;
    }
  }
  // Palette pixels of fewer than 8 bits are not offered to the viewer.
  if (description.bitsPerPixel > 1 && description.bitsPerPixel < 8) return ERROR_NOT_SUPPORTED;
  if (description.bitsPerPixel > 8 && setup->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST) {
    return ERROR_NOT_SUPPORTED;
  }
  description.directColour =
      visual->_class == XCB_VISUAL_CLASS_TRUE_COLOR || visual->_class == XCB_VISUAL_CLASS_DIRECT_COLOR;
  description.redMask = visual->red_mask;
  description.greenMask = visual->green_mask;
  description.blueMask = visual->blue_mask;
  std::vector<uint32_t> palette;
  if (!description.directColour) {
    palette = ReadPalette(connection, screen, depth);
    description.palette = palette;
  }
  out.bitsPerPixel = description.bitsPerPixel;
  return MakeScreenFormat(description, out.format);
}

}  // namespace vk::x11
