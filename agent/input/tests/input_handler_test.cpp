// The input handler on a real UDP socket, replaying into an Xvfb of the
// test's own, where an X client records what arrives.
#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <string>
#include <vector>

#include "agent/input/input_handler.h"
#include "common/protocol/input_codes.h"
#include "common/protocol/virtual_keys.h"
#include "agent/service/log_sink.h"
#include "platform/net/socket_calls.h"
#include "platform/power/recording_power_control.h"
#include "platform/xtest/tests/event_recorder.h"
#include "platform/x11/testing/xvfb_server.h"
#include "platform/core/error_codes.h"
// X last: Xlib's macros clash with other names.
#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace {

using namespace std::chrono_literals;
using vk::testing::RecordedEvent;

constexpr uint32_t kLoopback = 0x0100007F;   // 127.0.0.1, network order
constexpr uint32_t kLoopback2 = 0x0200007F;  // 127.0.0.2

// The session manager, the screen capture, the settings and the log file,
// as the handler sees them.
class FakeSession : public vk::iVkViewerImpersonation, public vk::iVkScreenRefresh, public iVkLogSink {
 public:
  int32_t ImpersonateViewer(cOrkLog&, uint32_t* grantedMask) const override {
    std::lock_guard<std::mutex> hold(lock);
    ++impersonations;
    *grantedMask = mask;
    return impersonateResult;
  }
  void AddFullScreen() override {
    std::lock_guard<std::mutex> hold(lock);
    ++fullScreens;
  }
  cVkInputSettings GetInputSettings() {
    std::lock_guard<std::mutex> hold(lock);
    return settings;
  }
  void AppendLogToFile(cOrkLog& log) override {
    char16_t* text = nullptr;
    if (log.ComposeSingleMemoryMessage(&text, LOG_ALL) > 0 && text) {
      std::lock_guard<std::mutex> hold(lock);
      fileLog += text;
    }
    log.ReleaseMemoryMessage(text);
    log.Clear();
  }
  std::u16string FileLog() {
    std::lock_guard<std::mutex> hold(lock);
    return fileLog;
  }
  int FullScreens() {
    std::lock_guard<std::mutex> hold(lock);
    return fullScreens;
  }

  mutable std::mutex lock;
  uint32_t mask = 3;  // read and change
  int32_t impersonateResult = 0;
  cVkInputSettings settings{INPUT_FLAGS_DEFAULT, CONNECTION_NORMAL, 0};
  mutable int impersonations = 0;
  int fullScreens = 0;
  std::u16string fileLog;
};

// A console's UDP socket on one loopback address.
class DatagramSender {
 public:
  explicit DatagramSender(uint32_t address) {
    EXPECT_EQ(vk::net::OpenSocket(vk::net::kDatagram, &handle_), 0);
    EXPECT_EQ(vk::net::BindAddress(handle_, address, 0), 0);
  }
  ~DatagramSender() { vk::net::CloseSocket(handle_); }
  int32_t SendTo(uint16_t port, const void* bytes, size_t length) {
    return vk::net::SendDatagram(handle_, bytes, length, kLoopback, port);
  }
  uint16_t LocalPort() const {
    uint16_t port = 0;
    vk::net::LocalPort(handle_, &port);
    return port;
  }

 private:
  vk::net::SocketHandle handle_ = 0;
};

class RecordingBlocker : public iVkLocalInputBlocker {
 public:
  void DisableKeyboard() override { calls.push_back("-keyboard"); }
  void EnableKeyboard() override { calls.push_back("+keyboard"); }
  void DisableMouse() override { calls.push_back("-mouse"); }
  void EnableMouse() override { calls.push_back("+mouse"); }
  std::vector<std::string> calls;
};

class InputHandlerTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    server_ = new vk::testing::XvfbServer;
    ASSERT_TRUE(server_->Start("1280x800x24"));
  }
  static void TearDownTestSuite() {
    delete server_;
    server_ = nullptr;
  }
  void SetUp() override {
    ASSERT_TRUE(recorder_.Open(server_->DisplayName()));
    handler_ = std::make_unique<cVkInputHandler>(
        cVkInputHandlerLinks{session_, session_, [this] { return session_.GetInputSettings(); }, &session_, power_,
                             blocker_},
        vk::CreateXTestInjector(server_->DisplayName()));
  }
  void TearDown() override {
    cOrkLog log;
    handler_->Stop(log);
  }

  void StartHandler(uint32_t grantedMask = 3) {
    cOrkLog log;
    ASSERT_EQ(handler_->Start(log, kLoopback, grantedMask), 0);
    ASSERT_TRUE(handler_->WaitUntilListening(10s));
    port_ = handler_->ListeningPort();
    ASSERT_NE(port_, 0);
  }

  void Send(DatagramSender& from, uint32_t code, uint32_t p1 = 0, uint32_t p2 = 0) {
    auto bytes = vk::EncodeInputDatagram({code, p1, p2});
    ASSERT_EQ(from.SendTo(port_, bytes.data(), bytes.size()), 0);
    ++sent_;
  }
  void Send(uint32_t code, uint32_t p1 = 0, uint32_t p2 = 0) { Send(console_, code, p1, p2); }
  void SendRaw(DatagramSender& from, std::vector<uint8_t> bytes) {
    ASSERT_EQ(from.SendTo(port_, bytes.data(), bytes.size()), 0);
    ++sent_;
  }
  void Key(uint8_t v, bool down, bool extended = false) {
    Send(down ? WM_KEYDOWN : WM_KEYUP, v, vk::MakeKeyData(0, extended, !down));
  }
  void Move(int16_t x, int16_t y) { Send(WM_MOUSEMOVE, 0, vk::MakePointParam(x, y)); }

  // Waits until the handler has taken every datagram sent so far, then
  // collects every event they caused.
  const std::vector<RecordedEvent>& Settle() {
    auto deadline = std::chrono::steady_clock::now() + 10s;
    while (handler_->ReplayedCount() + handler_->DroppedCount() < sent_ &&
           std::chrono::steady_clock::now() < deadline) {
      recorder_.WaitFor([](auto&) { return false; }, 5ms);
    }
    EXPECT_GE(handler_->ReplayedCount() + handler_->DroppedCount(), sent_);
    recorder_.Drain();
    return recorder_.Events();
  }

  std::vector<unsigned long> PressedKeysyms() {
    std::vector<unsigned long> keys;
    for (const auto& e : Settle())
      if (e.type == KeyPress) keys.push_back(e.keysym);
    return keys;
  }
  // Released keys by the plain keysym of their keycode (modifiers held at
  // the time would change the looked-up one).
  std::vector<unsigned long> ReleasedKeys() {
    std::vector<unsigned long> keys;
    for (const auto& e : Settle())
      if (e.type == KeyRelease) keys.push_back(recorder_.KeysymOf(e.keycode));
    return keys;
  }

  static vk::testing::XvfbServer* server_;
  vk::testing::EventRecorder recorder_;
  FakeSession session_;
  vk::RecordingPowerControl power_;
  RecordingBlocker blocker_;
  std::unique_ptr<cVkInputHandler> handler_;
  DatagramSender console_{kLoopback}, stranger_{kLoopback2};
  uint16_t port_ = 0;
  uint64_t sent_ = 0;
};
vk::testing::XvfbServer* InputHandlerTest::server_ = nullptr;

TEST_F(InputHandlerTest, TypesLettersWithAndWithoutShiftAndExtendedKeys) {
  StartHandler();
  Key('A', true);
  Key('A', false);
  Key(VK_SHIFT, true);
  Key('B', true);
  Key('B', false);
  Key(VK_SHIFT, false);
  Key(VK_CONTROL, true, true);  // right Ctrl
  Key(VK_CONTROL, false, true);
  Send(WM_CHAR, 'x', 0);  // characters follow their key messages: nothing to replay
  std::string typed;
  for (const auto& e : Settle())
    if (e.type == KeyPress) typed += e.text;
  EXPECT_EQ(typed, "aB");
  std::vector<unsigned long> expected = {XK_a, XK_Shift_L, XK_B, XK_Control_R};
  EXPECT_EQ(PressedKeysyms(), expected);
  EXPECT_EQ(session_.impersonations, 1);
}

TEST_F(InputHandlerTest, KeyWhoseKeysymTheKeymapLacks) {
  uint8_t missingVk = 0;
  unsigned long missingSym = 0;
  for (const vk::VirtualKey& key : vk::VirtualKeyTable()) {
    if (recorder_.KeycodeOf(key.keysym) == 0) {
      missingVk = key.vk;
      missingSym = key.keysym;
      break;
    }
  }
  ASSERT_NE(missingVk, 0) << "every key of the table is in the server's map";
  StartHandler();
  Key(missingVk, true);
  Key(missingVk, false);
  std::vector<unsigned long> expected = {missingSym};
  EXPECT_EQ(PressedKeysyms(), expected);
}

TEST_F(InputHandlerTest, ClicksDoubleClicksAndWheelAtTheirPosition) {
  StartHandler();
  Move(300, 400);
  Send(WM_LBUTTONDOWN, MK_LBUTTON, vk::MakePointParam(300, 400));
  Send(WM_LBUTTONUP, 0, vk::MakePointParam(300, 400));
  Send(WM_RBUTTONDBLCLK, MK_RBUTTON, vk::MakePointParam(300, 400));
  Send(WM_MBUTTONDOWN, MK_MBUTTON, vk::MakePointParam(300, 400));
  Send(WM_MBUTTONUP, 0, vk::MakePointParam(300, 400));
  Send(WM_MOUSEWHEEL, 0xFF880000u, vk::MakePointParam(300, 400));  // -120: one notch towards the user
  Send(WM_MOUSEWHEEL, vk::MakeWheelParam(240), vk::MakePointParam(300, 400));
  Move(1279, 799);
  Send(WM_LBUTTONDBLCLK, MK_LBUTTON, vk::MakePointParam(1279, 799));
  const auto& events = Settle();
  std::vector<std::tuple<int, unsigned, int, int>> buttons;
  for (const auto& e : events)
    if (e.type == ButtonPress || e.type == ButtonRelease) buttons.emplace_back(e.type, e.button, e.x, e.y);
  auto at = [](int type, unsigned b, int x, int y) { return std::make_tuple(type, b, x, y); };
  std::vector<std::tuple<int, unsigned, int, int>> expected = {
      at(ButtonPress, 1, 300, 400),    at(ButtonRelease, 1, 300, 400), at(ButtonPress, 3, 300, 400),
      at(ButtonRelease, 3, 300, 400),  at(ButtonPress, 3, 300, 400),   at(ButtonRelease, 3, 300, 400),
      at(ButtonPress, 2, 300, 400),    at(ButtonRelease, 2, 300, 400), at(ButtonPress, 5, 300, 400),
      at(ButtonRelease, 5, 300, 400),  at(ButtonPress, 4, 300, 400),   at(ButtonRelease, 4, 300, 400),
      at(ButtonPress, 4, 300, 400),    at(ButtonRelease, 4, 300, 400), at(ButtonPress, 1, 1279, 799),
      at(ButtonRelease, 1, 1279, 799), at(ButtonPress, 1, 1279, 799),  at(ButtonRelease, 1, 1279, 799)};
  EXPECT_EQ(buttons, expected);
}

TEST_F(InputHandlerTest, BadDatagramsAndOtherSendersChangeNothing) {
  StartHandler();
  Move(50, 60);
  Settle();
  recorder_.Clear();
  Send(stranger_, WM_KEYDOWN, 'Q', 0);  // another address
  Send(stranger_, WM_MOUSEMOVE, 0, vk::MakePointParam(9, 9));
  auto good = vk::EncodeInputDatagram({WM_KEYDOWN, 'Q', 0});
  SendRaw(console_, std::vector<uint8_t>(good.begin(), good.begin() + 11));  // short
  std::vector<uint8_t> longer(good.begin(), good.end());
  longer.push_back(0);
  SendRaw(console_, longer);                            // long
  SendRaw(console_, {});                                // empty
  SendRaw(console_, std::vector<uint8_t>(4096, 0x41));  // large
  Send(999, 'Q', 0);                                    // unknown code
  Send(WM_KEYDOWN, 0x07, 0);                            // no such key
  Move(1280, 10);                                       // off the screen
  Move(-1, 10);
  Send(WM_LBUTTONDOWN, MK_LBUTTON, vk::MakePointParam(10, 3000));
  EXPECT_TRUE(Settle().empty());
  // The channel still serves the viewer.
  Key('Q', true);
  Key('Q', false);
  std::vector<unsigned long> expected = {XK_q};
  EXPECT_EQ(PressedKeysyms(), expected);
}

TEST_F(InputHandlerTest, FloodFromAnotherAddressDoesNotStallTheViewer) {
  StartHandler();
  auto bytes = vk::EncodeInputDatagram({WM_KEYDOWN, 'Z', 0});
  for (int i = 0; i < 20000; ++i) stranger_.SendTo(port_, bytes.data(), bytes.size());
  // The flood fills the socket buffer, where the kernel drops what does not
  // fit, the viewer's datagrams too: the viewer keeps typing until a key gets
  // through, which shows that the handler still serves it.
  auto keySeen = [](auto& ev) {
    for (const auto& e : ev)
      if (e.type == KeyRelease && e.keysym == XK_k) return true;
    return false;
  };
  auto deadline = std::chrono::steady_clock::now() + 60s;
  bool seen = false;
  while (!seen && std::chrono::steady_clock::now() < deadline) {
    Key('K', true);
    Key('K', false);
    seen = recorder_.WaitFor(keySeen, 100ms);
  }
  ASSERT_TRUE(seen);
  EXPECT_GT(handler_->DroppedCount(), 0u);
  for (const auto& e : recorder_.Events()) EXPECT_NE(e.keysym, static_cast<unsigned long>(XK_z));
}

TEST_F(InputHandlerTest, KeyboardPermission) {
  session_.settings.inputFlags = INPUT_ALLOW_MOUSE | INPUT_ALLOW_CTRL_ALT_DEL;
  StartHandler();
  Key('A', true);
  Key('A', false);
  Send(INPUT_CMD_FULL_REFRESH);
  Send(INPUT_CMD_CTRL_ALT_DEL);
  Send(INPUT_CMD_CTRL_SHIFT_ESC);
  Send(INPUT_CMD_ALT_F4);
  Send(INPUT_CMD_END_SESSION, END_SESSION_SHUTDOWN);
  Move(77, 88);
  const auto& events = Settle();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].type, MotionNotify);
  EXPECT_EQ(events[0].x, 77);
  EXPECT_EQ(session_.FullScreens(), 0);
  EXPECT_TRUE(power_.Actions().empty());
}

TEST_F(InputHandlerTest, MousePermission) {
  session_.settings.inputFlags = INPUT_ALLOW_KEYBOARD;
  StartHandler();
  Move(10, 10);
  Send(WM_LBUTTONDOWN, MK_LBUTTON, vk::MakePointParam(10, 10));
  Send(WM_LBUTTONUP, 0, vk::MakePointParam(10, 10));
  Send(WM_MOUSEWHEEL, 0xFF880000u, vk::MakePointParam(10, 10));
  Key('M', true);
  Key('M', false);
  const auto& events = Settle();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].keysym, static_cast<unsigned long>(XK_m));
  EXPECT_TRUE(session_.FileLog().empty());
}

TEST_F(InputHandlerTest, CtrlAltDelOnlyWithItsPermission) {
  session_.settings.inputFlags = INPUT_ALLOW_KEYBOARD;
  StartHandler();
  Send(INPUT_CMD_CTRL_ALT_DEL);
  EXPECT_TRUE(Settle().empty());
  cOrkLog log;
  session_.settings.inputFlags = INPUT_ALLOW_KEYBOARD | INPUT_ALLOW_CTRL_ALT_DEL;
  ASSERT_EQ(handler_->Start(log, kLoopback, 3), 0);  // running: takes the new settings
  Send(INPUT_CMD_CTRL_ALT_DEL);
  std::vector<unsigned long> expected = {XK_Control_L, XK_Alt_L, XK_Delete};
  EXPECT_EQ(PressedKeysyms(), expected);
  EXPECT_EQ(ReleasedKeys(), (std::vector<unsigned long>{XK_Delete, XK_Alt_L, XK_Control_L}));
}

TEST_F(InputHandlerTest, KeyCombinationCommands) {
  StartHandler();
  Send(INPUT_CMD_CTRL_SHIFT_ESC);
  Send(INPUT_CMD_ALT_F4);
  EXPECT_EQ(PressedKeysyms(), (std::vector<unsigned long>{XK_Shift_L, XK_Control_L, XK_Escape, XK_Alt_L, XK_F4}));
  EXPECT_EQ(ReleasedKeys(), (std::vector<unsigned long>{XK_Escape, XK_Control_L, XK_Shift_L, XK_F4, XK_Alt_L}));
  Send(INPUT_CMD_FULL_REFRESH);
  Settle();
  EXPECT_EQ(session_.FullScreens(), 1);
}

TEST_F(InputHandlerTest, EndSessionCommandReachesThePowerControl) {
  StartHandler();
  Send(INPUT_CMD_END_SESSION, END_SESSION_LOGOFF);
  Send(INPUT_CMD_END_SESSION, END_SESSION_SHUTDOWN);
  Send(INPUT_CMD_END_SESSION, END_SESSION_RESTART);
  // Only the three plain options: force or power-off bits are refused.
  Send(INPUT_CMD_END_SESSION, 3);
  Send(INPUT_CMD_END_SESSION, 0x10001);
  Settle();
  EXPECT_EQ(power_.Actions(), (std::vector<vk::PowerAction>{vk::PowerAction::LogOff, vk::PowerAction::ShutDown,
                                                            vk::PowerAction::Restart}));
  std::u16string refused = u"Error shutting down system. Errorcode 87.";
  std::u16string simulate = u"An error has occured while simulating input from the client. Errorcode 87.";
  std::u16string log = session_.FileLog();
  EXPECT_NE(log.find(refused), std::u16string::npos);
  EXPECT_NE(log.find(simulate), std::u16string::npos);
  // A refused shutdown is logged and the viewer keeps control.
  power_.SetResult(ERROR_ACCESS_DENIED);
  Send(INPUT_CMD_END_SESSION, END_SESSION_SHUTDOWN);
  Key('P', true);
  Key('P', false);
  EXPECT_EQ(PressedKeysyms(), (std::vector<unsigned long>{XK_p}));
  EXPECT_NE(session_.FileLog().find(u"Error shutting down system. Errorcode 5."), std::u16string::npos);
  // Each command took on the viewer's identity again; none gave it up.
  EXPECT_EQ(session_.impersonations, 1 + 4);
}

TEST_F(InputHandlerTest, ReadOnlyViewerMayOnlyAskForTheScreen) {
  session_.mask = 1;  // read right only
  StartHandler();
  Key('R', true);
  Key('R', false);
  Move(20, 20);
  Send(WM_LBUTTONDOWN, MK_LBUTTON, vk::MakePointParam(20, 20));
  Send(INPUT_CMD_CTRL_ALT_DEL);
  Send(INPUT_CMD_CTRL_SHIFT_ESC);
  Send(INPUT_CMD_ALT_F4);
  Send(INPUT_CMD_END_SESSION, END_SESSION_SHUTDOWN);
  Send(INPUT_CMD_FULL_REFRESH);
  EXPECT_TRUE(Settle().empty());
  EXPECT_EQ(session_.FullScreens(), 1);
  EXPECT_TRUE(power_.Actions().empty());
}

TEST_F(InputHandlerTest, NoSocketUnlessTheChannelIsInNormalMode) {
  for (uint32_t mode : {1u, 3u, 0u, 7u}) {  // disabled, secure, nonsense
    session_.settings.inputMode = mode;
    cOrkLog log;
    ASSERT_EQ(handler_->Start(log, kLoopback, 3), 0);
    EXPECT_FALSE(handler_->WaitUntilListening(10s)) << mode;
    EXPECT_EQ(handler_->ListeningPort(), 0) << mode;
    EXPECT_EQ(handler_->Stop(log), 0);
  }
  EXPECT_EQ(session_.impersonations, 0);
}

TEST_F(InputHandlerTest, ImpersonationOrBindFailureLeavesTheSessionWithoutInput) {
  session_.impersonateResult = 1326;
  cOrkLog log;
  ASSERT_EQ(handler_->Start(log, kLoopback, 3), 0);
  EXPECT_FALSE(handler_->WaitUntilListening(10s));
  handler_->Stop(log);
  EXPECT_NE(session_.FileLog().find(u"An error has occured while impersonating a user. Errorcode 1326."),
            std::u16string::npos);
  // A port that is taken.
  session_.impersonateResult = 0;
  DatagramSender holder(kLoopback);
  session_.settings.inputPort = holder.LocalPort();
  ASSERT_EQ(handler_->Start(log, kLoopback, 3), 0);
  EXPECT_FALSE(handler_->WaitUntilListening(10s));
  handler_->Stop(log);
  EXPECT_NE(session_.FileLog().find(u"An error has occured while binding the input socket. Errorcode 10048."),
            std::u16string::npos);
}

TEST_F(InputHandlerTest, LocalInputIsBlockedForTheSession) {
  session_.settings.inputFlags = INPUT_FLAGS_DEFAULT | INPUT_DISABLE_LOCAL_KEYBOARD | INPUT_DISABLE_LOCAL_MOUSE;
  StartHandler();
  EXPECT_EQ(blocker_.calls, (std::vector<std::string>{"-keyboard", "-mouse"}));
  cOrkLog log;
  handler_->Stop(log);
  EXPECT_EQ(blocker_.calls, (std::vector<std::string>{"-keyboard", "-mouse", "+keyboard", "+mouse"}));
  session_.settings.inputFlags = INPUT_FLAGS_DEFAULT | INPUT_DISABLE_LOCAL_MOUSE;
  blocker_.calls.clear();
  StartHandler();
  handler_->Stop(log);
  EXPECT_EQ(blocker_.calls, (std::vector<std::string>{"-mouse", "+mouse"}));
}

TEST_F(InputHandlerTest, AReadOnlyViewerLeavesTheLocalInputAlone) {
  session_.settings.inputFlags = INPUT_FLAGS_DEFAULT | INPUT_DISABLE_LOCAL_KEYBOARD | INPUT_DISABLE_LOCAL_MOUSE;
  session_.mask = 1;  // read right only
  StartHandler(1);
  cOrkLog log;
  handler_->Stop(log);
  EXPECT_TRUE(blocker_.calls.empty());
}

}  // namespace
