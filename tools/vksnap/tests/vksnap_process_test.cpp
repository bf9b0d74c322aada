// End to end with processes: deskagent on a private Xvfb, with its settings,
// access rights and accounts in a temporary folder (PAM and NSS through the
// test wrappers), and vksnap as the console. The PNG that vksnap writes must
// equal the X screen.
#include <gtest/gtest.h>
#include <png.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>

#include "agent/session/tests/session_test_support.h"
#include "platform/testing/child_process.h"
#include "platform/x11/testing/x_drawing.h"
#include "platform/x11/testing/xvfb_server.h"

namespace vk {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using vk::testing::ChildProcess;
using vk::testing::XvfbServer;
using vk::x11::testing::XDrawing;

// Settings.dat: the defaults with the session port changed (input channel
// off, tray silent).
std::vector<uint8_t> SettingsFile(uint16_t port) {
  return {1,
          0,
          0,
          0,  // settings
          1,
          0,
          0,
          0,
          2,
          0,
          static_cast<uint8_t>(port),
          static_cast<uint8_t>(port >> 8),
          1,
          0,
          0x02,
          0xBD,
          1,
          0,
          0,
          0,
          0x0B,
          0,
          0,
          0,  // input
          2,
          0,
          0,
          0,
          0xFF,
          0xFF,
          0xFF,
          0xFF,
          0xE8,
          3,
          0,
          0,
          100,
          0,
          0,
          0,
          6,
          0,
          0,
          0,  // screen
          1,
          0,
          0,
          0,
          1,
          0,
          0,
          0};  // tray: silent
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
    const auto settings = SettingsFile(port_);
    std::ofstream(dir_ / "settings" / "Settings.dat", std::ios::binary)
        .write(reinterpret_cast<const char*>(settings.data()), static_cast<std::streamsize>(settings.size()));
    std::ofstream(dir_ / "registry" / "HKLM.reg")
        << "Windows Registry Editor Version 5.00\r\n\r\n"
        << "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvalline\\ViewKeeper\\Service\\Locations]\r\n"
        << "\"SettingsPath\"=\"" << (dir_ / "settings").string() << "/\"\r\n\r\n"
        << "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvalline\\ViewKeeper\\Service\\Settings]\r\n"
        << "\"Administrators\"=\"root\"\r\n\"Operators\"=\"\"\r\n\"Users\"=\"alice\"\r\n";
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

}  // namespace
}  // namespace vk
