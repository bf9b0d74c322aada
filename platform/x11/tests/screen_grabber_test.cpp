#include "platform/x11/screen_grabber.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "platform/core/error_codes.h"
#include "platform/x11/testing/x_drawing.h"
#include "platform/x11/testing/xvfb_server.h"

namespace {

using vk::testing::XvfbServer;
using vk::x11::testing::XDrawing;

// Compares captured 32-bit rows with XGetImage's view of the same area.
void ExpectRowsMatchRoot(XDrawing& x, const vk::x11::CapturedRows& rows, int left, int top, int width, int height) {
  const auto reference = x.ReadRoot(left, top, width, height);
  ASSERT_EQ(reference.size(), static_cast<size_t>(width) * height);
  for (int row = 0; row < height; ++row) {
    ASSERT_EQ(std::memcmp(rows.data + row * rows.stride, &reference[static_cast<size_t>(row) * width],
                          static_cast<size_t>(width) * 4),
              0)
        << "row " << row;
  }
}

TEST(ScreenGrabber, CapturesTheScreenPixelForPixelAndFollowsAShrink) {
  XvfbServer xvfb(1280, 800);
  ASSERT_TRUE(xvfb.Running());
  XDrawing x;
  ASSERT_TRUE(x.Connected());
  x.PatternRoot(0, 0, 1280, 800, 0x5A5A5A);

  vk::x11::ScreenGrabber grabber;
  ASSERT_EQ(grabber.Open(), 0);
  EXPECT_TRUE(grabber.UsesSharedMemory());
  const auto& f = grabber.Format();
  EXPECT_EQ(grabber.Geometry(), (VkScreenGeometry{1280, 800, 4}));
  EXPECT_EQ(f.header.compression, VK_BI_BITFIELDS);
  EXPECT_EQ(f.colours[0].ToDword(), 0xFF0000u);

  vk::x11::CapturedRows rows;
  ASSERT_EQ(grabber.Capture({0, 0, 1280, 800}, rows), 0);
  ExpectRowsMatchRoot(x, rows, 0, 0, 1280, 800);
  ASSERT_EQ(grabber.Capture({13, 7, 13 + 333, 7 + 91}, rows), 0);
  ExpectRowsMatchRoot(x, rows, 13, 7, 333, 91);
  EXPECT_EQ(grabber.Capture({0, 0, 1281, 10}, rows), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(grabber.Capture({5, 5, 5, 10}, rows), ERROR_INVALID_PARAMETER);

  // After a shrink the part beyond the new edge reads as zero; the rest is real.
  ASSERT_TRUE(x.ResizeScreen(640, 480));
  x.FillRoot(0, 0, 640, 480, 0x123456);
  ASSERT_EQ(grabber.Capture({600, 400, 700, 500}, rows), 0);
  ASSERT_EQ(rows.stride, 400u);
  auto pixel = [&](int col, int row) {
    uint32_t v;
    std::memcpy(&v, rows.data + row * rows.stride + col * 4, 4);
    return v & 0xFFFFFF;
  };
  EXPECT_EQ(pixel(0, 0), 0x123456u);
  EXPECT_EQ(pixel(39, 79), 0x123456u);
  EXPECT_EQ(pixel(40, 0), 0u);
  EXPECT_EQ(pixel(0, 80), 0u);
  EXPECT_EQ(pixel(99, 99), 0u);

  // A new connection sees the new size.
  ASSERT_EQ(grabber.Open(), 0);
  EXPECT_EQ(grabber.Geometry(), (VkScreenGeometry{640, 480, 4}));
  EXPECT_EQ(grabber.Format().header.width, 640);
}

TEST(ScreenGrabber, SixteenBitScreensUseTheirMasks) {
  XvfbServer xvfb(320, 200, 16);
  ASSERT_TRUE(xvfb.Running());
  XDrawing x;
  x.PatternRoot(0, 0, 320, 200, 77);
  vk::x11::ScreenGrabber grabber;
  ASSERT_EQ(grabber.Open(), 0);
  const auto& f = grabber.Format();
  EXPECT_EQ(grabber.Geometry().bytesPerPixel, 2);
  EXPECT_EQ(f.colours[0].ToDword(), 0xF800u);
  EXPECT_EQ(f.colours[1].ToDword(), 0x07E0u);
  EXPECT_EQ(f.colours[2].ToDword(), 0x001Fu);
  vk::x11::CapturedRows rows;
  ASSERT_EQ(grabber.Capture({1, 2, 8, 9}, rows), 0);  // 7 pixels: padded X rows
  const auto reference = x.ReadRoot(1, 2, 7, 7);
  for (int row = 0; row < 7; ++row) {
    for (int col = 0; col < 7; ++col) {
      uint16_t v;
      std::memcpy(&v, rows.data + row * rows.stride + col * 2, 2);
      ASSERT_EQ(v, reference[static_cast<size_t>(row) * 7 + col]) << row << "," << col;
    }
  }
}

TEST(ScreenGrabber, NoDisplayIsNotReady) {
  setenv("DISPLAY", vk::testing::NoServerDisplayName().c_str(), 1);
  vk::x11::ScreenGrabber grabber;
  EXPECT_EQ(grabber.Open(), ERROR_NOT_READY);
  EXPECT_FALSE(grabber.IsOpen());
  vk::x11::CapturedRows rows;
  EXPECT_EQ(grabber.Capture({0, 0, 1, 1}, rows), ERROR_NOT_READY);
}

}  // namespace
