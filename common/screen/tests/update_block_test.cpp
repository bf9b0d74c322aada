// Building update blocks and applying them to the console's screen copy.
#include <gtest/gtest.h>
#include <zlib.h>

#include <climits>
#include <cstring>
#include <random>

#include "common/archive/tests/test_bytes.h"
#include "common/screen/screen_buffer.h"
#include "common/screen/stream_compressor.h"
#include "common/screen/update_block_builder.h"
#include "platform/core/error_codes.h"
#include "platform/core/job_pool.h"

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

namespace {

// A desktop-like picture: window areas of flat colour, title bars and rows
// of glyph-like marks, as the agent sees most of the time.
std::vector<uint8_t> DesktopFrame(const VkScreenGeometry& g) {
  std::vector<uint8_t> frame(g.FrameBytes());
  const size_t bpp = static_cast<size_t>(g.bytesPerPixel);
  for (int32_t y = 0; y < g.height; ++y) {
    for (int32_t x = 0; x < g.width; ++x) {
      uint32_t px = (x / 300 + y / 200) % 2 ? 0xF0F0F0 : 0x2050A0;
      if (y % 200 < 24) px = 0x304060;
      const uint32_t cell = static_cast<uint32_t>((x / 7) * 2654435761u ^ (y / 14) * 40503u);
      if (y % 14 > 2 && y % 14 < 12 && (cell >> 7) % 5 != 0 && ((x * 3 + y * 5 + (cell >> 11)) % 7) < 2) px = 0x101010;
      for (size_t b = 0; b < bpp; ++b)
        frame[(static_cast<size_t>(y) * g.width + x) * bpp + b] = static_cast<uint8_t>(px >> (8 * b));
    }
  }
  return frame;
}

}  // namespace

TEST_F(UpdateBlocks, LargeBlocksGoOutAsSeveralMessagesCompressedSideBySide) {
  SetUpScreen(1024, 768, 32);
  frame = DesktopFrame(g);
  // Alone, the full screen is one stream.
  ASSERT_EQ(builder.AddSection({0, 0, 1024, 768}, frame.data()), 0);
  ASSERT_EQ(builder.Flush(), 0);
  ASSERT_EQ(messages.streams.size(), 1u);
  const size_t alone = messages.streams[0].size();

  vk::JobPool pool(1);
  cVkUpdateBlockBuilder pooled;
  ASSERT_EQ(pooled.Init(g, 6), 0);
  pooled.SetPool(&pool);
  Messages parts;
  parts.room = pooled.StreamRoom();
  pooled.SetSink(parts.Sink());
  // A small change first, then the full screen: both in the block, in order.
  ASSERT_EQ(pooled.AddSection({5, 5, 9, 9}, frame.data()), 0);
  ASSERT_EQ(pooled.AddSection({0, 0, 1024, 768}, frame.data()), 0);
  ASSERT_EQ(pooled.Flush(), 0);
  ASSERT_EQ(parts.streams.size(), 2u) << "one message per lane";
  size_t total = 0;
  for (const auto& stream : parts.streams) {
    total += stream.size();
    EXPECT_LE(Inflate(stream, g.BlockBytes() + 1).size(), g.BlockBytes()) << "each fits the viewer's block buffer";
  }
  EXPECT_LE(total, alone + alone / 20) << "cutting costs next to no bytes";

  cVkScreenBuffer viewer;
  ASSERT_EQ(viewer.ApplyScreenInfo(cVkScreenInfo::ForTrueColour(1024, 768, 32, 0xFF0000, 0xFF00, 0xFF)), 0);
  for (const auto& stream : parts.streams) ASSERT_EQ(viewer.ApplyBlock(stream), 0);
  std::vector<uint8_t> shown;
  viewer.ReadFrame([&](std::span<const uint8_t> f, const VkScreenGeometry&, const cVkScreenInfo&) {
    shown.assign(f.begin(), f.end());
  });
  EXPECT_EQ(shown, frame);
  // The bands of the full screen, top to bottom, cover it exactly once.
  auto dirty = viewer.TakeDirtyRects();
  ASSERT_GT(dirty.size(), 2u);
  EXPECT_EQ(dirty.front(), (VkRect{5, 5, 9, 9}));
  int32_t next = 0;
  for (size_t i = 1; i < dirty.size(); ++i) {
    EXPECT_EQ(dirty[i].top, next);
    EXPECT_EQ(dirty[i].left, 0);
    EXPECT_EQ(dirty[i].right, 1024);
    next = dirty[i].bottom;
  }
  EXPECT_EQ(next, 768);
}

TEST_F(UpdateBlocks, PartsThatWouldNotFitTheStreamRoomAreSplitFurther) {
  SetUpScreen(512, 512, 32);  // random: incompressible
  vk::JobPool pool(1);
  cVkUpdateBlockBuilder pooled;
  ASSERT_EQ(pooled.Init(g, 6), 0);
  pooled.SetPool(&pool);
  pooled.LimitStreamRoom(64 * 1024);
  Messages parts;
  parts.room = 64 * 1024;
  pooled.SetSink(parts.Sink());
  ASSERT_EQ(pooled.AddSection({0, 0, 512, 512}, frame.data()), 0);
  ASSERT_EQ(pooled.AddSection({0, 0, 3, 3}, frame.data()), 0);
  ASSERT_EQ(pooled.Flush(), 0);
  EXPECT_GE(parts.streams.size(), 16u);
  for (auto& s : parts.streams) ASSERT_EQ(copy.ApplyBlock(s), 0);
  EXPECT_EQ(CopyFrame(), frame);
}

// The stream is zlib's format: the viewer's uncompress reads it.
TEST(StreamCompressor, WritesZlibStreamsThatUncompressReads) {
  const std::string text = "ViewKeeper ViewKeeper ViewKeeper";
  const std::vector<uint8_t> input(text.begin(), text.end());
  cVkStreamCompressor compressor(6);
  std::vector<uint8_t> stream(cVkStreamCompressor::Bound(input.size()));
  size_t written = 0;
  ASSERT_EQ(compressor.Compress(input, stream, &written), 0);
  stream.resize(written);
  EXPECT_EQ(stream, Hex("789C 0BCB4C2D F74E4D2D 482D5208 C3C60400 C70A0C26"));
  EXPECT_EQ(Inflate(stream, input.size()), input);

  std::vector<uint8_t> tight(8);
  EXPECT_EQ(compressor.Compress(input, tight, &written), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(written, 0u);
  EXPECT_FALSE(cVkStreamCompressor().Valid());
}

// Every zlib level gives a stream that uncompress reads back; level 0 stores
// the block, the others compress it (the bytes against zlib's on captured
// desktops are measured by bench_compressor).
TEST(StreamCompressor, EveryLevelWritesAStreamUncompressReads) {
  const VkScreenGeometry g{640, 400, 4};
  const std::vector<uint8_t> frame = DesktopFrame(g);
  for (int32_t level = -1; level <= 9; ++level) {
    cVkStreamCompressor compressor(level);
    std::vector<uint8_t> stream(cVkStreamCompressor::Bound(frame.size()));
    size_t written = 0;
    ASSERT_EQ(compressor.Compress(frame, stream, &written), 0) << level;
    stream.resize(written);
    EXPECT_EQ(Inflate(stream, frame.size()), frame) << level;
    if (level == 0)
      EXPECT_GT(written, frame.size());
    else
      EXPECT_LT(written, frame.size() / 4) << level;
  }
  EXPECT_EQ(VkDeflateLevelFor(42), VkDeflateLevelFor(6));
  EXPECT_EQ(VkDeflateLevelFor(-1), VkDeflateLevelFor(6));
}
