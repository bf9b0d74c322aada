#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <random>
#include <filesystem>
#include <string>
#include <vector>

#include "common/viewer/pixel_format.h"
#include "tools/vksnap/png_writer.h"

namespace vk {
namespace {

std::vector<uint8_t> Header(uint16_t bits, uint32_t compression) {
  std::vector<uint8_t> h(40, 0);
  h[0] = 40;
  h[14] = static_cast<uint8_t>(bits);
  h[16] = static_cast<uint8_t>(compression);
  return h;
}

TEST(PixelFormat, ThirtyTwoBitFieldsAsXvfbSendsThem) {
  const std::vector<uint8_t> masks = {0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0};
  cVkPixelFormat f;
  ASSERT_TRUE(PixelFormatFromHeader(Header(32, 3), masks, f));
  // memory order blue, green, red, unused
  const std::vector<uint8_t> pixels = {0x10, 0x20, 0x30, 0, 0xFF, 0, 0, 0};
  std::vector<uint8_t> rgb;
  ASSERT_TRUE(ConvertToRgb(f, 2, 1, pixels, rgb));
  EXPECT_EQ(rgb, (std::vector<uint8_t>{0x30, 0x20, 0x10, 0, 0, 0xFF}));
  EXPECT_FALSE(ConvertToRgb(f, 3, 1, pixels, rgb));  // too few bytes for the size
}

TEST(PixelFormat, SixteenBitFieldsScaleToFullRange) {
  const std::vector<uint8_t> masks = {0, 0xF8, 0, 0, 0xE0, 0x07, 0, 0, 0x1F, 0, 0, 0};  // 5-6-5
  cVkPixelFormat f;
  ASSERT_TRUE(PixelFormatFromHeader(Header(16, 3), masks, f));
  const std::vector<uint8_t> pixels = {0x00, 0xF8, 0xE0, 0x07, 0x1F, 0x00, 0x10, 0x84};
  std::vector<uint8_t> rgb;
  ASSERT_TRUE(ConvertToRgb(f, 4, 1, pixels, rgb));
  EXPECT_EQ(rgb, (std::vector<uint8_t>{255, 0, 0, 0, 255, 0, 0, 0, 255, 132, 130, 132}));
}

TEST(PixelFormat, PaletteAndPlainFormats) {
  std::vector<uint8_t> table(257 * 4, 0);
  table[4 * 3 + 0] = 0x11, table[4 * 3 + 1] = 0x22, table[4 * 3 + 2] = 0x33;  // entry 3: B G R
  cVkPixelFormat f;
  ASSERT_TRUE(PixelFormatFromHeader(Header(8, 0), table, f));
  std::vector<uint8_t> rgb;
  ASSERT_TRUE(ConvertToRgb(f, 1, 1, std::vector<uint8_t>{3}, rgb));
  EXPECT_EQ(rgb, (std::vector<uint8_t>{0x33, 0x22, 0x11}));
  ASSERT_TRUE(PixelFormatFromHeader(Header(24, 0), table, f));
  ASSERT_TRUE(ConvertToRgb(f, 1, 1, std::vector<uint8_t>{1, 2, 3}, rgb));
  EXPECT_EQ(rgb, (std::vector<uint8_t>{3, 2, 1}));
  EXPECT_FALSE(PixelFormatFromHeader(Header(32, 1), table, f));  // run-length: not a screen format
  EXPECT_FALSE(PixelFormatFromHeader(Header(12, 0), table, f));
}

class PngFile : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = std::filesystem::temp_directory_path() /
           ("vksnap-" + std::to_string(std::random_device{}()) + "-" + info->name());
    ASSERT_TRUE(std::filesystem::create_directory(dir_));
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::filesystem::path dir_;
};

TEST_F(PngFile, WrittenPictureReadsBackPixelForPixel) {
  const uint32_t w = 7, h = 5;
  std::vector<uint8_t> rgb(w * h * 3);
  for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<uint8_t>(i * 37 + 11);
  const std::string path = (dir_ / "shot.png").string();
  ASSERT_EQ(WritePng(path, w, h, rgb), 0);
  EXPECT_FALSE(std::filesystem::exists(path + ".part"));

  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  ASSERT_TRUE(png_image_begin_read_from_file(&image, path.c_str()));
  image.format = PNG_FORMAT_RGB;
  ASSERT_EQ(image.width, w);
  ASSERT_EQ(image.height, h);
  std::vector<uint8_t> back(PNG_IMAGE_SIZE(image));
  ASSERT_TRUE(png_image_finish_read(&image, nullptr, back.data(), 0, nullptr));
  EXPECT_EQ(back, rgb);
}

TEST_F(PngFile, RefusesWrongSizesAndUnwritablePlaces) {
  std::vector<uint8_t> rgb(12);
  EXPECT_NE(WritePng((dir_ / "a.png").string(), 2, 3, rgb), 0);
  EXPECT_NE(WritePng((dir_ / "missing" / "a.png").string(), 2, 2, rgb), 0);
  EXPECT_FALSE(std::filesystem::exists(dir_ / "a.png"));
}

}  // namespace
}  // namespace vk
