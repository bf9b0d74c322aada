// The console's handling of what an agent sends on the update connection:
// good messages reach the screen copy, bad ones end the session with a
// reason in the log and leave the copy as it was.
#include "common/viewer/session_receiver.h"

#include <gtest/gtest.h>

#include "common/archive/register_archive.h"
#include "common/screen/register_screen.h"
#include "common/viewer/tests/agent_wire.h"
#include "platform/core/error_codes.h"
#include "platform/core/text.h"

namespace {

using vktest::AgentWire;
using vktest::WireReader;

struct Events : iVkSessionEvents {
  int formats = 0, data = 0;
  std::vector<uint32_t> cursors;
  void OnScreenFormat() override { ++formats; }
  void OnScreenData() override { ++data; }
  void OnCursor(uint32_t index) override { cursors.push_back(index); }
};

std::u16string AllText(cOrkLog& log) {
  std::u16string all;
  for (const cOrkLogMessage& m : log.GetMessages()) all += m.text + u"\n";
  return all;
}

class Receiver : public ::testing::Test {
 protected:
  void SetUp() override {
    VkRegisterArchiveClasses();
    VkRegisterScreenClasses();
    VkRegisterMfcLogClasses();
    log.SetMemLogMask(LOG_ALL);
  }
  // Handles every message of `wire`; the result of the last one.
  int32_t Run(const AgentWire& wire) {
    WireReader reader(wire.bytes);
    cVkSessionReceiver receiver(screen, log);
    const cVkSessionReceiver::Receive receive = [&](void* b, size_t n) { return reader.Receive(b, n); };
    for (;;) {
      uint32_t code = 0;
      int32_t rc = receiver.ReceiveCommand(receive, &code);
      if (rc == 0) rc = receiver.HandleCommand(code, receive, events);
      if (rc != 0) return rc;
    }
  }
  uint32_t Pixel(int x, int y) {
    uint32_t value = 0;
    screen.ReadFrame([&](std::span<const uint8_t> frame, const VkScreenGeometry& g, const cVkScreenInfo&) {
      value = vk::ReadLe32(frame.data() + (static_cast<size_t>(y) * g.width + x) * 4);
    });
    return value;
  }
  bool LogSays(const std::u16string& text) { return AllText(log).find(text) != std::u16string::npos; }

  cVkScreenBuffer screen;
  cOrkLog log;
  Events events;
};

TEST_F(Receiver, FormatUpdatesAndCursorReachTheScreenCopy) {
  AgentWire wire;
  wire.Format(64, 48);
  wire.Update({{2, 3, 10, 8}, {0, 0, 5, 0}}, 0x00ABCDEF);  // the second has no rows
  wire.Dword(99);                                          // unknown: ignored
  wire.Cursor(16);
  wire.Message(vk::kUpdateMessage, {});  // length 0: no change, still reported
  EXPECT_EQ(Run(wire), -19);             // the stream ends
  EXPECT_EQ(events.formats, 1);
  EXPECT_EQ(events.data, 2);
  EXPECT_EQ(events.cursors, std::vector<uint32_t>{16});
  EXPECT_EQ(Pixel(2, 3), 0x00ABCDEFu);
  EXPECT_EQ(Pixel(9, 7), 0x00ABCDEFu);
  EXPECT_EQ(Pixel(10, 7), 0u);
  const std::vector<VkRect> dirty = screen.TakeDirtyRects();
  ASSERT_EQ(dirty.size(), 2u);
  EXPECT_EQ(dirty[1], (VkRect{0, 0, 5, 0}));
  EXPECT_TRUE(LogSays(u"An error has occurred while receiving command data."));
}

TEST_F(Receiver, ClosingLogReplacesTheLogAndEndsTheSession) {
  log.LogMsg(LOG_ERROR, 5, u"Earlier line. Errorcode %ld.", 5);
  AgentWire wire;
  wire.Format(8, 8);
  wire.ClosingLog(u"Error authenticating 'alice'. Errorcode 1326.", 1326);
  wire.Cursor(1);  // never read
  EXPECT_EQ(Run(wire), kVkSessionClosedByAgent);
  EXPECT_TRUE(LogSays(u"Error authenticating 'alice'. Errorcode 1326."));
  EXPECT_FALSE(LogSays(u"Earlier line."));
  EXPECT_TRUE(events.cursors.empty());
}

TEST_F(Receiver, BadInputEndsTheSessionAndKeepsTheLastPicture) {
  struct Case {
    const char* what;
    std::function<void(AgentWire&)> bad;
    std::u16string reason;
  };
  const Case cases[] = {
      {"impossible format", [](AgentWire& w) { w.Format(0, 600); }, u"cannot be shown"},
      {"format too large", [](AgentWire& w) { w.Format(20000, 20000); }, u"cannot be shown"},
      {"format beyond the memory limit", [](AgentWire& w) { w.Format(16000, 16000); }, u"cannot be shown"},
      {"no inflating stream",
       [](AgentWire& w) {
         w.Message(vk::kUpdateMessage, {1, 2, 3, 4, 5});
       },
       u"does not inflate"},
      {"section outside the frame",
       [](AgentWire& w) {
         w.Update({{60, 40, 70, 50}}, 1);
       },
       u"does not inflate"},
      {"rows past the data",
       [](AgentWire& w) {
         auto raw = AgentWire::Sections({{0, 0, 4, 4}}, 7);
         raw.resize(raw.size() - 4);
         w.Message(vk::kUpdateMessage, AgentWire::Deflate(raw));
       },
       u"does not inflate"},
      {"stream longer than the buffer",
       [](AgentWire& w) {
         w.Dword(vk::kUpdateMessage);
         w.Dword(1u << 30);
       },
       u"is longer than a screen"},
      {"log of another class",
       [](AgentWire& w) { w.Object(vk::kLogMessage, cVkScreenInfo::ForTrueColour(8, 8, 32, 1, 2, 3)); },
       u"creating an object from the buffer"},
      {"format of another class",
       [](AgentWire& w) {
         cOrkLog l;
         cOrkMfcLog m(l);
         w.Object(vk::kObjectMessage, m);
       },
       u"creating an object from the buffer"},
      {"oversize object", [](AgentWire& w) { w.Dword(vk::kObjectMessage), w.Dword(0x7FFFFFFF); },
       u"more than the connection carries"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    log.Clear();
    AgentWire wire;
    wire.Format(64, 48);
    wire.Update({{0, 0, 64, 48}}, 0x00112233);
    c.bad(wire);
    wire.Cursor(3);  // never reached
    screen.ApplyScreenInfo(cVkScreenInfo::ForTrueColour(1, 1, 32, 1, 2, 3));
    const int32_t rc = Run(wire);
    EXPECT_NE(rc, 0);
    EXPECT_NE(rc, kVkSessionClosedByAgent);
    EXPECT_TRUE(LogSays(c.reason)) << vk::ToUtf8(AllText(log));
    EXPECT_EQ(Pixel(63, 47), 0x00112233u);  // the last picture stays
    EXPECT_TRUE(std::find(events.cursors.begin(), events.cursors.end(), 3u) == events.cursors.end());
  }
}

TEST_F(Receiver, ScreenDataBeforeAnyFormatIsRefused) {
  AgentWire wire;
  wire.Update({{0, 0, 2, 2}}, 1);
  EXPECT_EQ(Run(wire), ERROR_INVALID_DATA);
  EXPECT_TRUE(LogSays(u"Screen data arrived before the screen format."));
  EXPECT_TRUE(LogSays(u"An error has occurred while receiving the screendata buffer data."));
  EXPECT_EQ(events.data, 0);
}

}  // namespace
