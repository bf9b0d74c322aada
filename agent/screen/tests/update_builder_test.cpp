#include "agent/screen/update_builder.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <cstring>
#include <mutex>
#include <random>
#include <thread>

#include "common/screen/screen_buffer.h"

namespace {

// The viewer's side: applies the update messages to its own screen copy.
struct Viewer {
  cVkScreenBuffer buffer;
  size_t messages = 0;
  size_t bytes = 0;
  int32_t error = 0;

  explicit Viewer(int32_t w, int32_t h) {
    buffer.ApplyScreenInfo(cVkScreenInfo::ForTrueColour(w, h, 32, 0xFF0000, 0x00FF00, 0x0000FF));
  }
  VkUpdateSink Sink() {
    return [this](std::span<const uint8_t> message) {
      uint32_t type = 0, n = 0;
      std::memcpy(&type, message.data(), 4);
      std::memcpy(&n, message.data() + 4, 4);
      EXPECT_EQ(type, 1u);
      EXPECT_EQ(n + 8, message.size());
      ++messages;
      bytes += message.size();
      const int32_t r = buffer.ApplyBlock(message.subspan(8));
      if (r != 0) error = r;
      return 0;
    };
  }
  std::vector<uint8_t> Frame() {
    std::vector<uint8_t> out;
    buffer.ReadFrame([&](std::span<const uint8_t> f, const VkScreenGeometry&, const cVkScreenInfo&) {
      out.assign(f.begin(), f.end());
    });
    return out;
  }
};

// Rows of a section cut from a full picture.
struct Picture {
  int32_t w, h;
  std::vector<uint8_t> px;
  Picture(int32_t w_, int32_t h_) : w(w_), h(h_), px(static_cast<size_t>(w_) * h_ * 4, 0) {}
  void Fill(const VkRect& r, uint32_t value) {
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) std::memcpy(&px[(static_cast<size_t>(y) * w + x) * 4], &value, 4);
  }
  void Store(cVkUpdateBuilder& b, const VkRect& r) {
    b.StoreSection(&px[(static_cast<size_t>(r.top) * w + r.left) * 4], static_cast<size_t>(w) * 4, r);
  }
};

TEST(UpdateBuilder, SendsOnlyThePixelsThatChanged) {
  cVkUpdateBuilder builder;
  ASSERT_EQ(builder.Init(100, 200, 4, 6), 0);
  Viewer viewer(200, 100);
  Picture pic(200, 100);
  // Nothing goes out before the session has taken the new format.
  pic.Fill({10, 10, 20, 20}, 0x123456);
  pic.Store(builder, {0, 0, 200, 100});
  EXPECT_EQ(builder.SendUpdate(viewer.Sink()), 0);
  EXPECT_EQ(viewer.messages, 0u);
  builder.ReleaseFormatHold();
  // A full-screen section shrinks to the part that differs from the black frame.
  EXPECT_EQ(builder.ChangedRects(), (std::vector<VkRect>{{10, 10, 20, 20}}));
  ASSERT_EQ(builder.SendUpdate(viewer.Sink()), 0);
  EXPECT_EQ(viewer.messages, 1u);
  EXPECT_EQ(viewer.Frame(), pic.px);
  // Capturing unchanged pixels again costs nothing.
  pic.Store(builder, {0, 0, 200, 100});
  EXPECT_TRUE(builder.ChangedRects().empty());
  EXPECT_EQ(builder.SendUpdate(viewer.Sink()), 0);
  EXPECT_EQ(viewer.messages, 1u);
  // One changed pixel inside a large section: a 1 x 1 section.
  pic.Fill({150, 70, 151, 71}, 0xFFFFFF);
  pic.Store(builder, {100, 50, 200, 100});
  EXPECT_EQ(builder.ChangedRects(), (std::vector<VkRect>{{150, 70, 151, 71}}));
  ASSERT_EQ(builder.SendUpdate(viewer.Sink()), 0);
  EXPECT_EQ(viewer.Frame(), pic.px);
  EXPECT_EQ(viewer.error, 0);
}

TEST(UpdateBuilder, EachRunOfDifferingRowsIsItsOwnSectionUpToALimit) {
  cVkUpdateBuilder builder;
  ASSERT_EQ(builder.Init(300, 200, 4, 6), 0);
  builder.ReleaseFormatHold();
  Viewer viewer(200, 300);
  Picture pic(200, 300);
  // Two lines of text with untouched rows between them: the space beside
  // and between them stays out of the update.
  pic.Fill({10, 10, 60, 20}, 0x101010);
  pic.Fill({30, 25, 120, 27}, 0x202020);
  pic.Fill({40, 27, 50, 33}, 0x303030);
  pic.Store(builder, {0, 0, 200, 100});
  EXPECT_EQ(builder.ChangedRects(), (std::vector<VkRect>{{10, 10, 60, 20}, {30, 25, 120, 33}}));
  ASSERT_EQ(builder.SendUpdate(viewer.Sink()), 0);
  EXPECT_EQ(viewer.Frame(), pic.px);
  // Every other row changed: 63 single rows, then one section runs on over
  // the unchanged rows to the last changed one.
  for (int32_t y = 100; y < 300; y += 2) pic.Fill({y % 50, y, y % 50 + 20, y + 1}, 0x400000u + y);
  pic.Store(builder, {0, 100, 200, 300});
  const std::vector<VkRect> rects = builder.ChangedRects();
  ASSERT_EQ(rects.size(), 64u);
  EXPECT_EQ(rects.front(), (VkRect{0, 100, 20, 101}));
  EXPECT_EQ(rects.back().top, 226);
  EXPECT_EQ(rects.back().bottom, 299);
  ASSERT_EQ(builder.SendUpdate(viewer.Sink()), 0);
  EXPECT_EQ(viewer.Frame(), pic.px);
  EXPECT_EQ(viewer.error, 0);
}

TEST(UpdateBuilder, ManySmallSectionsAreSplitIntoSeveralUpdatesThatFitTheViewer) {
  // 64 x 64 x 4: the block buffer holds 16400 bytes; a thousand one-pixel
  // sections need 20000 bytes of heads and rows.
  cVkUpdateBuilder builder;
  ASSERT_EQ(builder.Init(64, 64, 4, 0), 0);
  builder.ReleaseFormatHold();
  Viewer viewer(64, 64);
  Picture pic(64, 64);
  std::mt19937 random(7);
  for (int y = 0; y < 64; y += 2) {
    for (int x = 0; x < 64; x += 2) {
      pic.Fill({x, y, x + 1, y + 1}, random() | 1);
      pic.Store(builder, {x, y, x + 1, y + 1});
    }
  }
  EXPECT_EQ(builder.ChangedRects().size(), 1024u);
  ASSERT_EQ(builder.SendUpdate(viewer.Sink()), 0);
  EXPECT_GT(viewer.messages, 1u);
  EXPECT_EQ(viewer.error, 0);
  EXPECT_EQ(viewer.Frame(), pic.px);
}

TEST(UpdateBuilder, AFailedSendEndsTheUpdateAndResetEmptiesEverything) {
  cVkUpdateBuilder builder;
  ASSERT_EQ(builder.Init(10, 10, 4, 6), 0);
  builder.ReleaseFormatHold();
  Picture pic(10, 10);
  pic.Fill({0, 0, 10, 10}, 0x0000FF);
  pic.Store(builder, {0, 0, 10, 10});
  EXPECT_EQ(builder.SendUpdate([](std::span<const uint8_t>) { return int32_t{10054}; }), 10054);
  // Sections outside the frame are ignored, not written.
  pic.Store(builder, {5, 5, 10, 10});
  builder.StoreSection(pic.px.data(), 40, {8, 8, 12, 9});
  builder.Reset();
  EXPECT_EQ(builder.Geometry().width, 0);
  EXPECT_EQ(builder.Level(), 6);
  EXPECT_TRUE(builder.ChangedRects().empty());
  EXPECT_EQ(builder.SendUpdate([](std::span<const uint8_t>) -> int32_t {
    ADD_FAILURE();
    return 0;
  }),
            0);
  EXPECT_NE(builder.Init(0, 10, 4, 6), 0);
  ASSERT_EQ(builder.Init(10, 10, 4, 42), 0);  // an impossible level is used as 6
  EXPECT_EQ(builder.Level(), 6);
}

// The frame copy is free while an update is compressed and sent: a capture
// stores its sections meanwhile, and they go out with the next update.
TEST(UpdateBuilder, CaptureStoresWhileAnUpdateIsBeingSent) {
  cVkUpdateBuilder builder;
  ASSERT_EQ(builder.Init(64, 64, 4, 6), 0);
  builder.ReleaseFormatHold();
  Viewer viewer(64, 64);
  Picture pic(64, 64);
  pic.Fill({0, 0, 64, 32}, 0x00AA00);
  pic.Store(builder, {0, 0, 64, 64});
  std::mutex lock;
  std::condition_variable changed;
  bool sending = false, stored = false;
  std::thread capture([&] {
    std::unique_lock guard(lock);
    ASSERT_TRUE(changed.wait_for(guard, std::chrono::seconds(30), [&] { return sending; }));
    guard.unlock();
    pic.Fill({10, 40, 20, 50}, 0xAA0000);
    pic.Store(builder, {10, 40, 20, 50});
    guard.lock();
    stored = true;
    changed.notify_all();
  });
  const VkUpdateSink sink = viewer.Sink();
  bool storedWhileSending = false;
  ASSERT_EQ(builder.SendUpdate([&](std::span<const uint8_t> message) {
    std::unique_lock guard(lock);
    sending = true;
    changed.notify_all();
    storedWhileSending = changed.wait_for(guard, std::chrono::seconds(30), [&] { return stored; });
    return sink(message);
  }),
            0);
  capture.join();
  EXPECT_TRUE(storedWhileSending);
  EXPECT_EQ(builder.ChangedRects(), (std::vector<VkRect>{{10, 40, 20, 50}}));
  ASSERT_EQ(builder.SendUpdate(viewer.Sink()), 0);
  EXPECT_EQ(viewer.messages, 2u);
  EXPECT_EQ(viewer.Frame(), pic.px);
}

TEST(UpdateBuilder, TheListenerHearsOfCapturesThatLeftChangesToSend) {
  cVkUpdateBuilder builder;
  ASSERT_EQ(builder.Init(32, 32, 4, 6), 0);
  int told = 0;
  builder.SetChangeListener([&] { ++told; });
  Picture pic(32, 32);
  pic.Fill({1, 1, 5, 5}, 0x123456);
  pic.Store(builder, {0, 0, 32, 32});
  builder.CaptureFinished();
  EXPECT_EQ(told, 0) << "held until the format is taken";
  builder.ReleaseFormatHold();
  builder.CaptureFinished();
  EXPECT_EQ(told, 1);
  Viewer viewer(32, 32);
  ASSERT_EQ(builder.SendUpdate(viewer.Sink()), 0);
  pic.Store(builder, {0, 0, 32, 32});  // nothing new
  builder.CaptureFinished();
  EXPECT_EQ(told, 1);
  builder.SetChangeListener(nullptr);
  pic.Fill({7, 7, 9, 9}, 0x654321);
  pic.Store(builder, {7, 7, 9, 9});
  builder.CaptureFinished();
  EXPECT_EQ(told, 1);
}

// A full-screen change is cut into one message per lane; the viewer gets the
// exact picture.
TEST(UpdateBuilder, FullScreenChangesAreCompressedOnEveryLane) {
  cVkUpdateBuilder builder(1);
  ASSERT_EQ(builder.Init(600, 800, 4, 6), 0);
  builder.ReleaseFormatHold();
  Viewer viewer(800, 600);
  Picture pic(800, 600);
  std::mt19937 random(11);
  for (int y = 0; y < 600; y += 8)
    for (int x = 0; x < 800; x += 8) pic.Fill({x, y, x + 8, y + 8}, random() | 1);
  pic.Store(builder, {0, 0, 800, 600});
  ASSERT_EQ(builder.SendUpdate(viewer.Sink()), 0);
  EXPECT_EQ(viewer.messages, 2u);
  EXPECT_EQ(viewer.error, 0);
  EXPECT_EQ(viewer.Frame(), pic.px);
  EXPECT_TRUE(builder.ChangedRects().empty());
}

}  // namespace
