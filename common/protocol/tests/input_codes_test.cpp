#include "common/protocol/input_codes.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(InputDatagram, EncodesLittleEndianGoldenBytes) {
  auto bytes = vk::EncodeInputDatagram({WM_MOUSEWHEEL, 0xFF880000u, vk::MakePointParam(-2, 300)});
  const std::array<uint8_t, 12> golden = {0x0A, 0x02, 0x00, 0x00, 0x00, 0x00, 0x88, 0xFF, 0xFE, 0xFF, 0x2C, 0x01};
  EXPECT_EQ(bytes, golden);
  auto back = vk::DecodeInputDatagram(golden);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->code, WM_MOUSEWHEEL);
  EXPECT_EQ(vk::WheelDelta(back->param1), -120);
  EXPECT_EQ(vk::PointX(back->param2), -2);
  EXPECT_EQ(vk::PointY(back->param2), 300);
}

TEST(InputDatagram, RefusesAnyOtherSize) {
  std::vector<uint8_t> bytes(13, 0);
  EXPECT_FALSE(vk::DecodeInputDatagram({bytes.data(), 0}));
  EXPECT_FALSE(vk::DecodeInputDatagram({bytes.data(), 11}));
  EXPECT_FALSE(vk::DecodeInputDatagram({bytes.data(), 13}));
  EXPECT_TRUE(vk::DecodeInputDatagram({bytes.data(), 12}));
}

TEST(InputDatagram, KeyDataFields) {
  uint32_t data = vk::MakeKeyData(0x1D, true, true);
  EXPECT_EQ(data, 0xC11D0001u);
  EXPECT_TRUE(vk::KeyDataExtended(data));
  EXPECT_TRUE(vk::KeyDataReleased(data));
  EXPECT_EQ(vk::KeyDataScanCode(data), 0x1D);
  EXPECT_FALSE(vk::KeyDataReleased(vk::MakeKeyData(0x1E, false, false)));
}

}  // namespace
