// Building update blocks and applying them to the console's screen copy.
#include <gtest/gtest.h>
#include <zlib.h>

#include <climits>
#include <cstring>
#include <random>

#include "common/archive/tests/test_bytes.h"
#include "common/screen/screen_buffer.h"
#include "common/screen/update_block_builder.h"
#include "platform/core/error_codes.h"

using vktest::Hex;

namespace {

std::vector<uint8_t> RandomFrame(const VkScreenGeometry& g, uint32_t seed) {
  std::vector<uint8_t> frame(g.FrameBytes());
  std::mt19937 rng(seed);
  for (auto& b : frame) b = static_cast<uint8_t>(rng());
  return frame;
}

std::vector<uint8_t> Inflate(std::span<const uint8_t> stream, size_t room) {
  std::vector<uint8_t> out(room);
  uLongf length = room;
  EXPECT_EQ(uncompress(out.data(), &length, stream.data(), stream.size()), Z_OK);
  out.resize(length);
  return out;
}

std::vector<uint8_t> Deflate(const std::vector<uint8_t>& bytes) {
  uLongf length = compressBound(bytes.size());
  std::vector<uint8_t> out(length);
  EXPECT_EQ(compress2(out.data(), &length, bytes.data(), bytes.size(), 6), Z_OK);
  out.resize(length);
  return out;
}

// Collects the messages a builder sends, checking each head and size.
struct Messages {
  std::vector<std::vector<uint8_t>> streams;
  size_t room = 0;
  VkUpdateSink Sink() {
    return [this](std::span<const uint8_t> message) -> int32_t {
      EXPECT_GE(message.size(), 8u);
      uint32_t type = message[0] | (message[1] << 8) | (message[2] << 16) | (message[3] << 24);
      uint32_t n = message[4] | (message[5] << 8) | (message[6] << 16) | (message[7] << 24);
      EXPECT_EQ(type, 1u);
      EXPECT_EQ(n, message.size() - 8);
      EXPECT_LE(n, room);
      streams.emplace_back(message.begin() + 8, message.end());
      return 0;
    };
  }
};

class UpdateBlocks : public ::testing::Test {
 protected:
  void SetUpScreen(int32_t w, int32_t h, uint16_t bits) {
    g = VkScreenGeometry{w, h, bits / 8};
    ASSERT_EQ(builder.Init(g, 6), 0);
    messages.room = builder.StreamRoom();
    builder.SetSink(messages.Sink());
    ASSERT_EQ(copy.ApplyScreenInfo(cVkScreenInfo::ForTrueColour(w, h, bits, 0xFF0000, 0xFF00, 0xFF)), 0);
    frame = RandomFrame(g, 42);
  }
  void ApplyAll() {
    for (auto& s : messages.streams) ASSERT_EQ(copy.ApplyBlock(s), 0);
  }
  std::vector<uint8_t> CopyFrame() {
    std::vector<uint8_t> out;
    copy.ReadFrame([&](std::span<const uint8_t> f, const VkScreenGeometry&, const cVkScreenInfo&) {
      out.assign(f.begin(), f.end());
    });
    return out;
  }
  VkScreenGeometry g;
  cVkUpdateBlockBuilder builder;
  Messages messages;
  cVkScreenBuffer copy;
  std::vector<uint8_t> frame;
};

TEST_F(UpdateBlocks, ABlockIsSectionHeadsAndRowsInOneStream) {
  SetUpScreen(8, 4, 32);
  ASSERT_EQ(builder.AddSection({1, 2, 3, 3}, frame.data()), 0);
  ASSERT_EQ(builder.AddSection({5, 0, 5, 4}, frame.data()), 0);  // no rows
  EXPECT_TRUE(messages.streams.empty()) << "nothing is sent before the flush";
  ASSERT_EQ(builder.Flush(), 0);
  ASSERT_EQ(messages.streams.size(), 1u);
  auto content = Inflate(messages.streams[0], g.BlockBytes());
  std::vector<uint8_t> expected = Hex("01000000 02000000 03000000 03000000");
  expected.insert(expected.end(), frame.begin() + (2 * 8 + 1) * 4, frame.begin() + (2 * 8 + 3) * 4);
  auto head2 = Hex("05000000 00000000 05000000 04000000");
  expected.insert(expected.end(), head2.begin(), head2.end());
  EXPECT_EQ(content, expected);
  EXPECT_EQ(builder.Flush(), 0);
  EXPECT_EQ(messages.streams.size(), 1u) << "an empty flush sends nothing";

  ApplyAll();
  auto dirty = copy.TakeDirtyRects();
  EXPECT_EQ(dirty, (std::vector<VkRect>{{1, 2, 3, 3}, {5, 0, 5, 4}}));
  auto after = CopyFrame();
  EXPECT_TRUE(
      std::equal(after.begin() + (2 * 8 + 1) * 4, after.begin() + (2 * 8 + 3) * 4, frame.begin() + (2 * 8 + 1) * 4));
  EXPECT_EQ(after[0], 0) << "pixels outside the sections stay black";
  EXPECT_TRUE(copy.TakeDirtyRects().empty());
}

TEST_F(UpdateBlocks, ManySmallSectionsAreSentAsSeveralBlocks) {
  SetUpScreen(32, 24, 24);
  // One section per pixel: 16 + 3 bytes each, far more than one block holds.
  for (int32_t y = 0; y < g.height; ++y) {
    for (int32_t x = 0; x < g.width; ++x) ASSERT_EQ(builder.AddSection({x, y, x + 1, y + 1}, frame.data()), 0);
  }
  ASSERT_EQ(builder.Flush(), 0);
  EXPECT_GE(messages.streams.size(), 5u);
  ApplyAll();
  EXPECT_EQ(CopyFrame(), frame);
  EXPECT_EQ(copy.TakeDirtyRects().size(), static_cast<size_t>(g.width * g.height));
}

TEST_F(UpdateBlocks, StreamsThatWouldNotFitAreSplit) {
  SetUpScreen(64, 48, 32);
  builder.LimitStreamRoom(1500);
  messages.room = 1500;
  ASSERT_EQ(builder.AddSection({0, 0, 64, 48}, frame.data()), 0);  // random: incompressible
  ASSERT_EQ(builder.AddSection({0, 0, 1, 1}, frame.data()), 0);
  ASSERT_EQ(builder.AddSection({3, 3, 9, 9}, frame.data()), 0);
  ASSERT_EQ(builder.Flush(), 0);
  EXPECT_GE(messages.streams.size(), 9u);
  ApplyAll();
  EXPECT_EQ(CopyFrame(), frame);
}

TEST_F(UpdateBlocks, BuilderRefusesRectanglesOutsideTheScreenAndBadLevels) {
  SetUpScreen(16, 16, 32);
  EXPECT_EQ(builder.AddSection({0, 0, 17, 1}, frame.data()), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(builder.AddSection({-1, 0, 1, 1}, frame.data()), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(builder.AddSection({4, 4, 3, 5}, frame.data()), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(builder.PendingBytes(), 0u);
  cVkUpdateBlockBuilder other;
  EXPECT_EQ(other.Init({0, 10, 4}, 6), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(other.AddSection({0, 0, 1, 1}, frame.data()), ERROR_INVALID_PARAMETER);
  ASSERT_EQ(other.Init(g, 42), 0);
  EXPECT_EQ(other.Level(), 6);
  ASSERT_EQ(other.Init(g, 0), 0);
  EXPECT_EQ(other.Level(), 0);

  // A sink error stops the update and is answered.
  other.SetSink([](std::span<const uint8_t>) { return 10054; });
  ASSERT_EQ(other.AddSection({0, 0, 16, 16}, frame.data()), 0);
  EXPECT_EQ(other.Flush(), 10054);
}

TEST_F(UpdateBlocks, ScreenCopyRefusesWhatDoesNotFit) {
  cVkScreenBuffer fresh;
  auto empty = Deflate(Hex("00000000 00000000 01000000 01000000 00000000"));
  EXPECT_EQ(fresh.ApplyBlock(empty), ERROR_INVALID_DATA) << "no update before a format";

  SetUpScreen(8, 8, 32);
  auto before = CopyFrame();
  auto refuse = [&](const std::vector<uint8_t>& content) {
    EXPECT_EQ(copy.ApplyBlock(Deflate(content)), ERROR_INVALID_DATA) << vktest::ToHex(content);
  };
  auto with = [&](const char* head, size_t rowBytes) {
    auto v = Hex(head);
    v.insert(v.end(), rowBytes, 0xAB);
    return v;
  };
  refuse(with("07000000 00000000 09000000 01000000", 8));   // right beyond W
  refuse(with("00000000 07000000 01000000 09000000", 8));   // bottom beyond H
  refuse(with("FFFFFFFF 00000000 01000000 01000000", 8));   // negative left
  refuse(with("03000000 00000000 02000000 01000000", 0));   // negative width
  refuse(with("00000000 03000000 01000000 02000000", 0));   // negative height
  refuse(with("00000000 00000000 02000000 02000000", 15));  // rows run past the data
  refuse(Hex("00000000 00000000 00000000"));                // a cut head
  refuse(std::vector<uint8_t>(g.BlockBytes() + 1, 0));      // inflates beyond the block buffer
  // A valid section followed by a bad one: nothing of the block is applied.
  auto mixed = with("00000000 00000000 01000000 01000000", 4);
  auto bad = with("00000000 00000000 08000000 09000000", 0);
  mixed.insert(mixed.end(), bad.begin(), bad.end());
  refuse(mixed);
  EXPECT_EQ(copy.ApplyBlock(Hex("01 02 03 04 05")), ERROR_INVALID_DATA) << "not a zlib stream";
  EXPECT_EQ(CopyFrame(), before);
  EXPECT_TRUE(copy.TakeDirtyRects().empty());

  // The largest content that fits: one full-screen section.
  std::vector<uint8_t> full = Hex("00000000 00000000 08000000 08000000");
  full.insert(full.end(), frame.begin(), frame.end());
  EXPECT_EQ(copy.ApplyBlock(Deflate(full)), 0);
  EXPECT_EQ(CopyFrame(), frame);
}

TEST_F(UpdateBlocks, UpdatesReadFromTheConnection) {
  SetUpScreen(8, 8, 32);
  ASSERT_EQ(builder.AddSection({0, 0, 8, 8}, frame.data()), 0);
  ASSERT_EQ(builder.Flush(), 0);
  const auto& stream = messages.streams.at(0);
  // The console reads a 32-bit length and then the stream.
  std::vector<uint8_t> wire(4 + stream.size());
  wire[0] = static_cast<uint8_t>(stream.size());
  wire[1] = static_cast<uint8_t>(stream.size() >> 8);
  std::copy(stream.begin(), stream.end(), wire.begin() + 4);
  size_t at = 0;
  auto receive = [&](void* out, size_t n) -> int32_t {
    if (n > wire.size() - at) return -19;
    std::memcpy(out, wire.data() + at, n);
    at += n;
    return 0;
  };
  ASSERT_EQ(copy.ApplyUpdate(receive), 0);
  EXPECT_EQ(CopyFrame(), frame);
  EXPECT_EQ(copy.ApplyUpdate(receive), -19);

  wire = Hex("00000000");
  at = 0;
  EXPECT_EQ(copy.ApplyUpdate(receive), 0) << "length 0: no change";
  uint64_t tooLong = g.ReceiveBytes() + 1;
  wire = {static_cast<uint8_t>(tooLong), static_cast<uint8_t>(tooLong >> 8), static_cast<uint8_t>(tooLong >> 16), 0};
  at = 0;
  EXPECT_EQ(copy.ApplyUpdate(receive), ERROR_INVALID_DATA);
  EXPECT_EQ(at, 4u) << "nothing is read for a length beyond the buffer";
}

TEST_F(UpdateBlocks, ScreenFormatsOutOfRangeAreRefused) {
  cVkScreenBuffer buffer;
  auto format = [](int32_t w, int32_t h, uint16_t bits) { return cVkScreenInfo::ForTrueColour(w, h, bits, 0, 0, 0); };
  EXPECT_EQ(buffer.ApplyScreenInfo(format(0, 10, 32)), ERROR_INVALID_DATA);
  EXPECT_EQ(buffer.ApplyScreenInfo(format(10, 10, 0)), ERROR_INVALID_DATA);
  EXPECT_EQ(buffer.ApplyScreenInfo(format(10, 10, 12)), ERROR_INVALID_DATA);
  EXPECT_EQ(buffer.ApplyScreenInfo(format(20000, 10, 32)), ERROR_INVALID_DATA);
  EXPECT_EQ(buffer.ApplyScreenInfo(format(10, INT_MIN, 32)), ERROR_INVALID_DATA);
  EXPECT_FALSE(buffer.HasFormat());
  ASSERT_EQ(buffer.ApplyScreenInfo(format(640, -480, 16)), 0);
  int32_t w = 0, h = 0;
  buffer.GetSize(&w, &h);
  EXPECT_EQ(w, 640);
  EXPECT_EQ(h, 480);
  buffer.ReadFrame([](std::span<const uint8_t> f, const VkScreenGeometry& g, const cVkScreenInfo& info) {
    EXPECT_EQ(f.size(), 640u * 480 * 2);
    EXPECT_EQ(g.bytesPerPixel, 2);
    EXPECT_EQ(info.header.height, -480);
    EXPECT_EQ(info.header.sizeImage, 640u * 480 * 2);
  });
}

}  // namespace
