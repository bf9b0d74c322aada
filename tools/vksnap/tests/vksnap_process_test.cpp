// End to end with processes: deskagent on a private Xvfb, with its settings,
// access rights and accounts in a temporary folder (PAM and NSS through the
// test wrappers), and vksnap as the console. The PNG that vksnap writes must
// equal the X screen.
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>

#include <X11/keysym.h>

#include "agent/session/tests/session_test_support.h"
#include "common/protocol/auth_block.h"
#include "common/protocol/input_codes.h"
#include "common/settings/settings_parts.h"
#include "platform/testing/child_process.h"
#include "platform/x11/testing/x_drawing.h"
#include "platform/x11/testing/xvfb_server.h"
#include "platform/xtest/tests/event_recorder.h"

namespace vk {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using vk::testing::ChildProcess;
using vk::testing::XvfbServer;
using vk::x11::testing::XDrawing;

// Settings.dat: the defaults with the session port changed and the tray
// silent; the input channel off unless an input port is given, with these
// input flags.
std::vector<uint8_t> SettingsFile(uint16_t port, uint16_t inputPort = 0, uint8_t inputFlags = 0x0B) {
  auto lo = [](uint16_t v) { return static_cast<uint8_t>(v); };
  auto hi = [](uint16_t v) { return static_cast<uint8_t>(v >> 8); };
  const uint16_t input = inputPort != 0 ? inputPort : 48386;
  const uint8_t inputMode = inputPort != 0 ? 2 : 1;
  // clang-format off
  return {1, 0, 0, 0,                                      // settings
          1, 0, 0, 0, 2, 0, lo(port), hi(port),            // session: mode normal, port
          inputMode, 0, lo(input), hi(input),              // input channel: mode, port
          1, 0, 0, 0, inputFlags, 0, 0, 0,                 // input
          2, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xE8, 3, 0, 0, 100, 0, 0, 0, 6, 0, 0, 0,  // screen
          1, 0, 0, 0, 1, 0, 0, 0};                         // tray: silent
  // clang-format on
}

class AgentProcess : public ::testing::Test {
 protected:
  void SetUp() override {
    // The account wrappers (and, in sanitizer builds, the sanitizer runtime)
    // are preloaded for the agent and vksnap only, not for the X server.
    if (const char* preload = std::getenv("LD_PRELOAD")) preload_ = preload;
    unsetenv("LD_PRELOAD");
    dir_ = fs::temp_directory_path() / ("vksnap-e2e-" + std::to_string(std::random_device{}()));
    ASSERT_TRUE(fs::create_directories(dir_ / "registry"));
    fs::create_directories(dir_ / "settings");
    port_ = reservedPort_.Port();
    ASSERT_NE(port_, 0);
    WriteSettings(SettingsFile(port_), "root");
  }
  // Settings.dat and the registry's locations and access lists (alice is a
  // user, or an administrator too when named there).
  void WriteSettings(const std::vector<uint8_t>& settings, const std::string& administrators) {
    std::ofstream(dir_ / "settings" / "Settings.dat", std::ios::binary)
        .write(reinterpret_cast<const char*>(settings.data()), static_cast<std::streamsize>(settings.size()));
    std::ofstream(dir_ / "registry" / "HKLM.reg")
        << "Windows Registry Editor Version 5.00\r\n\r\n"
        << "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvalline\\ViewKeeper\\Service\\Locations]\r\n"
        << "\"SettingsPath\"=\"" << (dir_ / "settings").string() << "/\"\r\n\r\n"
        << "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvalline\\ViewKeeper\\Service\\Settings]\r\n"
        << "\"Administrators\"=\"" << administrators << "\"\r\n\"Operators\"=\"\"\r\n\"Users\"=\"alice\"\r\n";
  }
  void TearDown() override {
    fs::remove_all(dir_);
    if (!preload_.empty()) setenv("LD_PRELOAD", preload_.c_str(), 1);
  }

  std::unique_ptr<ChildProcess> StartAgent() {
    auto agent = std::make_unique<ChildProcess>(
        DESKAGENT_PATH,
        std::map<std::string, std::string>{{"VIEWKEEPER_REGISTRY_DIR", (dir_ / "registry").string()},
                                           {"LD_PRELOAD", preload_},
                                           {"LSAN_OPTIONS", "suppressions=" LSAN_SUPPRESSIONS}},
        (dir_ / "agent.err").string());
    EXPECT_TRUE(agent->Started());
    return agent;
  }
  // Runs vksnap to the end; its exit status, with its standard error in `err`.
  int Snap(const std::string& password, const std::string& output, std::string& err) {
    ChildProcess snap(VKSNAP_PATH, {{"VKSNAP_PASSWORD", password}, {"LD_PRELOAD", preload_}}, "",
                      {"--port", std::to_string(port_), "--user", "alice", "--output", output, "--seconds", "20"});
    snap.ReadStderrUntil("\x01", 30s);  // everything, until the pipe ends
    err = snap.StderrText();
    const auto status = snap.Wait(30s);
    return status ? *status : -1000;
  }

  fs::path dir_;
  vk::testing::ReservedPort reservedPort_;
  uint16_t port_ = 0;
  std::string preload_;
};

std::vector<uint8_t> ReadPng(const std::string& path, uint32_t& w, uint32_t& h) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return {};
  image.format = PNG_FORMAT_RGB;
  std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) return {};
  w = image.width;
  h = image.height;
  return rgb;
}

TEST_F(AgentProcess, SnapshotEqualsTheScreenAndAWrongPasswordIsRefused) {
  XvfbServer xvfb(517, 300);
  ASSERT_TRUE(xvfb.Running());
  XDrawing x;
  ASSERT_TRUE(x.Connected());
  x.PatternRoot(0, 0, 517, 300, 21);
  x.MakeWindow(40, 30, 200, 120, 0x2F4F6F);
  auto agent = StartAgent();

  std::string err;
  const std::string shot = (dir_ / "shot.png").string();
  ASSERT_EQ(Snap("alice-secret", shot, err), 0) << err;
  uint32_t w = 0, h = 0;
  const std::vector<uint8_t> picture = ReadPng(shot, w, h);
  ASSERT_EQ(w, 517u);
  ASSERT_EQ(h, 300u);
  std::vector<uint8_t> screen;
  for (uint32_t p : x.ReadRoot(0, 0, 517, 300))
    screen.insert(screen.end(), {static_cast<uint8_t>(p >> 16), static_cast<uint8_t>(p >> 8), static_cast<uint8_t>(p)});
  EXPECT_TRUE(picture == screen);

  EXPECT_EQ(Snap("wrong", (dir_ / "refused.png").string(), err), 1);
  EXPECT_NE(err.find("Error authenticating 'alice'. Errorcode"), std::string::npos) << err;
  EXPECT_EQ(err.find("wrong"), std::string::npos);  // the password never comes back
  EXPECT_FALSE(fs::exists(dir_ / "refused.png"));

  // A console that connects and stays silent does not hold up the stop.
  vk::testing::Console silent;
  ASSERT_TRUE(silent.Connect(port_));
  agent->Signal(SIGTERM);
  const auto status = agent->Wait(20s);
  ASSERT_TRUE(status.has_value());
  const std::string log = vk::testing::ReadFileText((dir_ / "settings" / "DeskAgent.log").string());
  EXPECT_EQ(*status, 0) << vk::testing::ReadFileText((dir_ / "agent.err").string()) << log;
  // The agent's log file never holds a password.
  EXPECT_EQ(log.find("alice-secret"), std::string::npos);
}

// A viewer's keys through the input channel, sent until the desktop has
// the release (a datagram sent before the session's input channel is open
// is lost, as over any network).
bool TypeThroughInputChannel(vk::testing::EventRecorder& desktop, uint16_t inputPort, uint8_t key,
                             unsigned long keysym) {
  cOrkLog log;
  cVkSocket udp(5);
  if (udp.Create(log, net::kDatagram) != 0) return false;
  auto released = [keysym](const std::vector<vk::testing::RecordedEvent>& events) {
    return std::any_of(events.begin(), events.end(),
                       [keysym](const auto& e) { return e.type == KeyRelease && e.keysym == keysym; });
  };
  const auto deadline = std::chrono::steady_clock::now() + 20s;
  bool arrived = false;
  while (!arrived && std::chrono::steady_clock::now() < deadline) {
    for (uint32_t code : {WM_KEYDOWN, WM_KEYUP}) {
      const auto bytes = EncodeInputDatagram({code, key, MakeKeyData(0x10, false, code == WM_KEYUP)});
      udp.SendTo(bytes.data(), bytes.size(), 0x0100007F, inputPort);  // 127.0.0.1 in network order
    }
    arrived = desktop.WaitFor(released, 500ms);
  }
  udp.Close(log);
  return arrived;
}

// A second console that connects while a session runs waits in the listen
// backlog. Meanwhile the first console's typing reaches the desktop; the
// second gets its session once the first ends; afterwards the local
// keyboard, blocked during the sessions, is the local person's again.
TEST_F(AgentProcess, ConsoleWaitingBehindASessionLosesNoTypingAndLeavesTheKeyboardFree) {
  XvfbServer xvfb(320, 200);
  ASSERT_TRUE(xvfb.Running());
  vk::testing::EventRecorder desktop;  // the focused window of the desktop
  ASSERT_TRUE(desktop.Open(xvfb.DisplayName()));
  ASSERT_TRUE(desktop.PhysicalKeyboardsGrabbable());
  vk::testing::ReservedPort inputPort(net::kDatagram);
  ASSERT_NE(inputPort.Port(), 0);
  WriteSettings(SettingsFile(port_, inputPort.Port(),
                             INPUT_ALLOW_KEYBOARD | INPUT_ALLOW_CTRL_ALT_DEL | INPUT_ALLOW_MOUSE |
                                 INPUT_DISABLE_LOCAL_KEYBOARD | INPUT_DISABLE_LOCAL_MOUSE),
                "root,alice");
  auto agent = StartAgent();
  vk::testing::Progress progress;
  auto startSession = [&](vk::testing::Console& console) {
    return progress.WaitUntil([&] { return console.Connect(port_); }) &&
           console.Send(BuildAuthBlock(u"alice", u"", u"alice-secret")) == 0;
  };

  auto first = std::make_unique<vk::testing::Console>();
  ASSERT_TRUE(startSession(*first));
  vk::testing::Message format;
  ASSERT_EQ(first->Read(format), 0);
  ASSERT_EQ(format.type, kObjectMessage);
  ASSERT_TRUE(TypeThroughInputChannel(desktop, inputPort.Port(), 'Q', XK_q));
  EXPECT_FALSE(desktop.PhysicalKeyboardsGrabbable());  // the session blocks the local keyboard

  vk::testing::Console second;
  ASSERT_TRUE(startSession(second));  // accepted by the kernel, waiting behind the session
  desktop.Clear();
  EXPECT_TRUE(TypeThroughInputChannel(desktop, inputPort.Port(), 'W', XK_w));
  EXPECT_TRUE(TypeThroughInputChannel(desktop, inputPort.Port(), 'E', XK_e));

  first.reset();  // the first console leaves: the waiting one gets the session
  second.SetReceiveTimeout(20000);
  vk::testing::Message secondFormat;
  ASSERT_EQ(second.Read(secondFormat), 0);
  EXPECT_EQ(secondFormat.type, kObjectMessage);
  EXPECT_TRUE(TypeThroughInputChannel(desktop, inputPort.Port(), 'R', XK_r));
  second.Close();

  // Both gone: the local keyboard is free again and the focused window gets
  // what is typed locally.
  EXPECT_TRUE(progress.WaitUntil([&] { return desktop.PhysicalKeyboardsGrabbable(); }));
  desktop.Clear();
  ASSERT_TRUE(desktop.TypeLocally(XK_t));
  EXPECT_TRUE(desktop.WaitFor([](const auto& events) {
    return std::any_of(events.begin(), events.end(),
                       [](const auto& e) { return e.type == KeyRelease && e.keysym == XK_t; });
  }));
  agent->Signal(SIGTERM);
  const auto status = agent->Wait(20s);
  ASSERT_TRUE(status.has_value());
  EXPECT_EQ(*status, 0) << vk::testing::ReadFileText((dir_ / "agent.err").string());
}

}  // namespace
}  // namespace vk
