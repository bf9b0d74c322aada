#include "platform/x11/visual_format.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/core/error_codes.h"

namespace {

using vk::x11::MakeScreenFormat;
using vk::x11::VisualDescription;

TEST(VisualFormat, DirectColourDepthsBecomeBitFieldsWithTheVisualMasks) {
  VisualDescription v{1920, 1080, 32, true, 0xFF0000, 0x00FF00, 0x0000FF, {}};
  VkScreenFormat f;
  ASSERT_EQ(MakeScreenFormat(v, f), 0);
  EXPECT_EQ(f.Geometry().bytesPerPixel, 4);
  EXPECT_EQ(f.trueColour, 1u);
  // The header as the viewer reads it, byte for byte.
  const uint8_t expected[40] = {40,   0,    0,    0,    0x80, 0x07, 0, 0, 0x38, 0x04, 0, 0, 1, 0, 32, 0, 3, 0, 0, 0,
                                0x00, 0x90, 0x7E, 0x00, 0,    0,    0, 0, 0,    0,    0, 0, 0, 0, 0,  0, 0, 0, 0, 0};
  EXPECT_EQ(std::memcmp(&f.header, expected, 40), 0);
  EXPECT_EQ(f.colours[0].ToDword(), 0xFF0000u);
  EXPECT_EQ(f.colours[1].ToDword(), 0x00FF00u);
  EXPECT_EQ(f.colours[2].ToDword(), 0x0000FFu);
  EXPECT_EQ(f.colours[3].ToDword(), 0u);

  VisualDescription v16{1024, 768, 16, true, 0xF800, 0x07E0, 0x001F, {}};
  ASSERT_EQ(MakeScreenFormat(v16, f), 0);
  EXPECT_EQ(f.Geometry().bytesPerPixel, 2);
  EXPECT_EQ(f.header.bitCount, 16);
  EXPECT_EQ(f.header.compression, VK_BI_BITFIELDS);
  EXPECT_EQ(f.header.sizeImage, 1572864u);
  EXPECT_EQ(f.colours[0].ToDword(), 0xF800u);
  EXPECT_EQ(f.colours[1].ToDword(), 0x07E0u);
  EXPECT_EQ(f.colours[2].ToDword(), 0x001Fu);
}

TEST(VisualFormat, TwentyFourBitRowsArePaddedInTheImageSizeAndNeedBgrOrder) {
  VisualDescription v{5, 2, 24, true, 0xFF0000, 0x00FF00, 0x0000FF, {}};
  VkScreenFormat f;
  ASSERT_EQ(MakeScreenFormat(v, f), 0);
  EXPECT_EQ(f.header.compression, VK_BI_RGB);
  EXPECT_EQ(f.header.sizeImage, 32u);  // 15 bytes a row, padded to 16
  EXPECT_EQ(f.Geometry().bytesPerPixel, 3);
  v.redMask = 0x0000FF;
  v.blueMask = 0xFF0000;
  EXPECT_EQ(MakeScreenFormat(v, f), ERROR_NOT_SUPPORTED);
}

TEST(VisualFormat, PaletteVisualsCarryTheirColourMap) {
  const uint32_t palette[3] = {0x000000, 0x102030, 0xFFFFFF};
  VisualDescription v{800, 600, 8, false, 0, 0, 0, palette};
  VkScreenFormat f;
  ASSERT_EQ(MakeScreenFormat(v, f), 0);
  EXPECT_EQ(f.trueColour, 0u);
  EXPECT_EQ(f.header.compression, VK_BI_RGB);
  EXPECT_EQ(f.header.clrUsed, 3u);
  EXPECT_EQ(f.colours[1].ToDword(), 0x102030u);  // bytes 30 20 10 00: blue, green, red
  EXPECT_EQ(f.colours[2].ToDword(), 0xFFFFFFu);
  EXPECT_EQ(f.colours[3].ToDword(), 0u);
}

TEST(VisualFormat, UndescribableFormatsAreRefused) {
  VkScreenFormat f;
  EXPECT_EQ(MakeScreenFormat({10, 10, 4, false, 0, 0, 0, {}}, f), ERROR_NOT_SUPPORTED);
  EXPECT_EQ(MakeScreenFormat({10, 10, 8, true, 0xE0, 0x1C, 0x03, {}}, f), ERROR_NOT_SUPPORTED);
  EXPECT_EQ(MakeScreenFormat({10, 10, 32, false, 0, 0, 0, {}}, f), ERROR_NOT_SUPPORTED);
}

}  // namespace
