// Inflating update streams, and the screen copy taking whole-screen blocks
// by trading buffers.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <random>

#include "common/archive/tests/test_bytes.h"
#include "common/screen/screen_buffer.h"
#include "common/screen/stream_decompressor.h"
#include "platform/core/error_codes.h"

using vktest::Hex;

namespace {

const std::string kText = "ViewKeeper ViewKeeper ViewKeeper";
// zlib's stream of kText at level 6.
const char* const kTextStream = "789C 0BCB4C2D F74E4D2D 482D5208 C3C60400 C70A0C26";

std::vector<uint8_t> Deflate(std::span<const uint8_t> bytes) {
  uLongf length = compressBound(bytes.size());
  std::vector<uint8_t> out(length);
  EXPECT_EQ(compress2(out.data(), &length, bytes.data(), bytes.size(), 6), Z_OK);
  out.resize(length);
  return out;
}

std::vector<uint8_t> Section(int32_t l, int32_t t, int32_t r, int32_t b, uint32_t seed) {
  std::vector<uint8_t> block(16 + static_cast<size_t>(r - l) * (b - t) * 4);
  const int32_t head[4] = {l, t, r, b};
  std::memcpy(block.data(), head, sizeof head);
  std::mt19937 rng(seed);
  for (size_t i = 16; i < block.size(); ++i) block[i] = static_cast<uint8_t>(rng());
  return block;
}

}  // namespace

TEST(StreamDecompressor, TakesOnlyWholeStreamsThatFit) {
  cVkStreamDecompressor inflater;
  const std::vector<uint8_t> stream = Hex(kTextStream);
  std::vector<uint8_t> room(64, 0xEE);
  size_t written = 99;
  ASSERT_EQ(inflater.Inflate(stream, room, &written), 0);
  EXPECT_EQ(written, kText.size()) << "less than the room is fine";
  EXPECT_EQ(std::string(room.begin(), room.begin() + written), kText);

  std::vector<uint8_t> exact(kText.size());
  EXPECT_EQ(inflater.Inflate(stream, exact, &written), 0);
  std::vector<uint8_t> tight(kText.size() - 1);
  EXPECT_EQ(inflater.Inflate(stream, tight, &written), ERROR_INVALID_DATA) << "more than the room";
  EXPECT_EQ(written, 0u);

  auto refused = [&](std::vector<uint8_t> bad, const char* what) {
    written = 99;
    EXPECT_EQ(inflater.Inflate(bad, room, &written), ERROR_INVALID_DATA) << what;
    EXPECT_EQ(written, 0u) << what;
  };
  std::vector<uint8_t> longer = stream;
  longer.push_back(0);
  refused(longer, "a byte after the stream's end");
  refused(std::vector<uint8_t>(stream.begin(), stream.end() - 1), "a cut checksum");
  refused(std::vector<uint8_t>(stream.begin(), stream.begin() + 10), "a cut stream");
  std::vector<uint8_t> sum = stream;
  sum.back() ^= 1;
  refused(sum, "a wrong checksum");
  std::vector<uint8_t> header = stream;
  header[1] ^= 1;
  refused(header, "a header whose check bits fail");
  refused({}, "nothing");

  // Moved, the decompressor goes on working.
  cVkStreamDecompressor moved(std::move(inflater));
  EXPECT_EQ(moved.Inflate(stream, room, &written), 0);
}

// A whole-screen block becomes the frame by trading buffers: later partial
// blocks land on it, and a refused block after it changes nothing.
TEST(StreamDecompressor, WholeScreenBlocksBecomeTheFrame) {
  constexpr int32_t kW = 24, kH = 10;
  cVkScreenBuffer copy;
  ASSERT_EQ(copy.ApplyScreenInfo(cVkScreenInfo::ForTrueColour(kW, kH, 32, 0xFF0000, 0xFF00, 0xFF)), 0);
  auto frame = [&] {
    std::vector<uint8_t> out;
    copy.ReadFrame([&](std::span<const uint8_t> f, const VkScreenGeometry& g, const cVkScreenInfo&) {
      EXPECT_EQ(f.size(), g.FrameBytes());
      out.assign(f.begin(), f.end());
    });
    return out;
  };
  EXPECT_EQ(frame(), std::vector<uint8_t>(kW * kH * 4, 0)) << "black at first";

  for (uint32_t round = 1; round <= 3; ++round) {
    const std::vector<uint8_t> whole = Section(0, 0, kW, kH, round);
    ASSERT_EQ(copy.ApplyBlock(Deflate(whole)), 0);
    std::vector<uint8_t> expected(whole.begin() + 16, whole.end());
    EXPECT_EQ(frame(), expected) << round;
    std::vector<VkRect> dirty = copy.TakeDirtyRects();
    ASSERT_EQ(dirty.size(), 1u);
    EXPECT_EQ(dirty[0].right, kW);
    EXPECT_EQ(dirty[0].bottom, kH);

    const std::vector<uint8_t> part = Section(3, 2, 7, 5, 100 + round);
    ASSERT_EQ(copy.ApplyBlock(Deflate(part)), 0);
    for (int32_t y = 2; y < 5; ++y) std::memcpy(&expected[(y * kW + 3) * 4], &part[16 + (y - 2) * 4 * 4], 4 * 4);
    EXPECT_EQ(frame(), expected) << "a part on top of the whole, round " << round;

    std::vector<uint8_t> cut = Section(0, 0, kW, kH, 7);
    cut.pop_back();
    EXPECT_EQ(copy.ApplyBlock(Deflate(cut)), ERROR_INVALID_DATA);
    std::vector<uint8_t> stream = Deflate(Section(0, 0, kW, kH, 8));
    stream[stream.size() / 2] ^= 0x55;
    EXPECT_EQ(copy.ApplyBlock(stream), ERROR_INVALID_DATA);
    EXPECT_EQ(frame(), expected) << "refused blocks leave the frame, round " << round;
    copy.TakeDirtyRects();
  }
}
