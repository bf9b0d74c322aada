// vksnap's client against a real session manager on loopback: the screen
// side is synthetic (a frame in memory, real format records and real update
// blocks), everything on the wire is real.
#include <gtest/gtest.h>

#include <mutex>

#include "agent/session/session_manager.h"
#include "agent/session/tests/session_test_support.h"
#include "common/screen/screen_info.h"
#include "common/testing/log_lines.h"
#include "common/screen/update_block_builder.h"
#include "tools/vksnap/png_writer.h"
#include "tools/vksnap/snap_client.h"

namespace vk {
namespace {

using namespace vk::testing;
using namespace std::chrono_literals;

// A 32-bit screen (blue, green, red, unused in memory) whose pixels the test
// paints; each cycle sends the rectangles painted since the last one.
class SyntheticScreen : public iVkSessionScreen {
 public:
  SyntheticScreen(int32_t w, int32_t h) : geometry_{w, h, 4}, frame_(static_cast<size_t>(w) * h * 4) {}

  void Paint(const VkRect& r, uint32_t seed) {
    std::lock_guard lock(mutex_);
    PaintLocked(r, seed);
  }
  // Painted in one of the cycles after the first update went out.
  void PaintLater(const VkRect& r, uint32_t seed) {
    std::lock_guard lock(mutex_);
    later_.push_back({r, seed});
  }
  void PaintLocked(const VkRect& r, uint32_t seed) {
    for (int32_t y = r.top; y < r.bottom; ++y)
      for (int32_t x = r.left; x < r.right; ++x) {
        const uint32_t rgb =
            (seed * 2654435761u) ^ (static_cast<uint32_t>(x) * 73856093u) ^ (static_cast<uint32_t>(y) * 19349663u);
        uint8_t* p = &frame_[(static_cast<size_t>(y) * geometry_.width + x) * 4];
        p[0] = static_cast<uint8_t>(rgb), p[1] = static_cast<uint8_t>(rgb >> 8), p[2] = static_cast<uint8_t>(rgb >> 16),
        p[3] = 0;
      }
    pending_.push_back(r);
  }
  std::vector<uint8_t> ExpectedRgb() {
    std::lock_guard lock(mutex_);
    std::vector<uint8_t> rgb;
    for (size_t i = 0; i < frame_.size(); i += 4) rgb.insert(rgb.end(), {frame_[i + 2], frame_[i + 1], frame_[i]});
    return rgb;
  }

  int32_t StartScreenManager(cOrkLog&) override {
    formatPending_ = true;
    return builder_.Init(geometry_, 6);
  }
  int32_t StopScreenManager(cOrkLog&) override { return 0; }
  int32_t StartDesktopManager(cOrkLog&) override { return 0; }
  int32_t StopDesktopManager(cOrkLog&) override { return 0; }
  bool TakeFormatPending() override { return formatPending_.exchange(false); }
  std::unique_ptr<cVkObject> MakeScreenInfo() override {
    return std::make_unique<cVkScreenInfo>(
        cVkScreenInfo::ForTrueColour(geometry_.width, geometry_.height, 32, 0xFF0000, 0x00FF00, 0x0000FF));
  }
  void AddFullScreen() override {
    std::lock_guard lock(mutex_);
    pending_.push_back({0, 0, geometry_.width, geometry_.height});
  }
  int32_t SendUpdate(cVkSocket& socket) override {
    std::lock_guard lock(mutex_);
    if (pending_.empty() && !later_.empty()) {
      PaintLocked(later_.front().first, later_.front().second);
      later_.erase(later_.begin());
    }
    builder_.SetSink([&](std::span<const uint8_t> m) { return socket.SendAll(m.data(), m.size()); });
    for (const VkRect& r : pending_)
      if (int32_t code = builder_.AddSection(r, frame_.data()); code != 0) return code;
    pending_.clear();
    return builder_.Flush();
  }
  void RebuildCursorList() override {}
  bool TakeCursorChange(uint32_t* index) override {
    if (cursorSent_.exchange(true)) return false;
    *index = 9;
    return true;
  }

 private:
  std::mutex mutex_;
  VkScreenGeometry geometry_;
  std::vector<uint8_t> frame_;
  std::vector<VkRect> pending_;
  std::vector<std::pair<VkRect, uint32_t>> later_;
  cVkUpdateBlockBuilder builder_;
  std::atomic<bool> formatPending_{false};
  std::atomic<bool> cursorSent_{false};
};

class SnapSessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetThreadStopPollInterval(10ms);
    port_ = reservedPort_.Port();
    ASSERT_NE(port_, 0);
    cVkSessionParts parts;
    parts.logon = &logon_;
    parts.screen = &screen_;
    parts.settings = [this] { return cVkSessionSettings{2, port_}; };
    manager_ = std::make_unique<cVkSessionManager>(std::move(parts));
    cOrkLog log;
    ASSERT_EQ(manager_->Start(log), 0);
  }
  void TearDown() override {
    cOrkLog log;
    EXPECT_EQ(manager_->Stop(log), 0);
  }
  cVkSnapOptions Options(uint32_t updates) {
    cVkSnapOptions o;
    o.port = port_;
    o.user = u"alice";
    o.password = u"secret";
    o.updates = updates;
    o.seconds = 20;
    return o;
  }

  Progress progress_;
  FakeLogon logon_{progress_};
  SyntheticScreen screen_{203, 117};  // odd sizes: no row is a multiple of anything convenient
  vk::testing::ReservedPort reservedPort_;
  uint16_t port_ = 0;
  std::unique_ptr<cVkSessionManager> manager_;
};

TEST_F(SnapSessionTest, AssemblesTheScreenPixelForPixel) {
  screen_.Paint({0, 0, 203, 117}, 1);
  cOrkLog log;
  cVkSnapClient client(log);
  ASSERT_EQ(client.Run(Options(1)), 0);
  uint32_t w = 0, h = 0;
  std::vector<uint8_t> rgb;
  ASSERT_TRUE(client.Picture(w, h, rgb));
  EXPECT_EQ(w, 203u);
  EXPECT_EQ(h, 117u);
  EXPECT_TRUE(rgb == screen_.ExpectedRgb());
}

TEST_F(SnapSessionTest, FollowsLaterUpdatesAndTheCursor) {
  screen_.Paint({0, 0, 203, 117}, 1);
  screen_.PaintLater({10, 20, 11, 21}, 2);    // one pixel
  screen_.PaintLater({150, 3, 203, 117}, 3);  // to the right edge
  cOrkLog log;
  cVkSnapClient client(log);
  // The full screen the format asks for, then one update per later paint.
  ASSERT_EQ(client.Run(Options(3)), 0);
  EXPECT_EQ(client.LastCursorIndex(), 9u);  // sent after the first update
  // The later paints cover far less than the full screen and cost less.
  EXPECT_GT(client.BytesAfterFirstUpdate(), 0u);
  EXPECT_LT(client.BytesAfterFirstUpdate(), client.BytesReceived() - client.BytesAfterFirstUpdate());
  uint32_t w = 0, h = 0;
  std::vector<uint8_t> rgb;
  ASSERT_TRUE(client.Picture(w, h, rgb));
  EXPECT_TRUE(rgb == screen_.ExpectedRgb());
}

TEST_F(SnapSessionTest, RefusedViewerGetsTheAgentsExplanation) {
  cOrkLog log;
  log.SetMemLogMask(LOG_ALL);
  cVkSnapClient client(log);
  cVkSnapOptions o = Options(1);
  o.password = u"wrong";
  EXPECT_EQ(client.Run(o), VK_PEER_CLOSED);
  EXPECT_TRUE(client.AgentClosed());
  EXPECT_TRUE(HasLineStartingWith(log, "Error authenticating 'alice'. Errorcode 1326."));
  EXPECT_TRUE(HasLineStartingWith(log, "The connection was closed by the remote machine."));
  uint32_t w = 0, h = 0;
  std::vector<uint8_t> rgb;
  EXPECT_FALSE(client.Picture(w, h, rgb));
}

}  // namespace
}  // namespace vk
