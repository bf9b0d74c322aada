// End to end on a computer's desktop as a display manager runs it: the real
// deskagent without DISPLAY follows seat0's active session from a stand-in
// logind on a private bus; a login screen and a user's session are two Xvfb
// servers, each with its own -auth file. The console is vksnap's client.
// The agent shows the login screen, then the user's desktop after the
// switch, then the login screen again once the user's X server is killed;
// the tray helper runs as the user and carries the consent question.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <thread>

#include "agent/session/tests/session_test_support.h"
#include "common/settings/register_settings.h"
#include "common/settings/service_settings.h"
#include "platform/logind/testing/mock_logind.h"
#include "platform/testing/child_process.h"
#include "platform/x11/testing/x_authority_file.h"
#include "platform/x11/testing/x_drawing.h"
#include "platform/x11/testing/xvfb_server.h"
#include "platform/xtest/input_injector.h"
#include "tools/vksnap/snap_client.h"

// Xlib's macros (None, Bool) last.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

namespace vk {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using vk::logind::testing::MockLogind;
using vk::testing::ChildProcess;
using vk::testing::XvfbServer;
using vk::x11::testing::XDrawing;

constexpr uint32_t kNobody = 65534;
constexpr int kGreeterWidth = 640, kGreeterHeight = 480;
constexpr int kUserWidth = 800, kUserHeight = 600;

std::string FileText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// True once a socket listens on the TCP port (without connecting to it,
// which would be a console to the agent).
bool Listening(uint16_t port) {
  constexpr unsigned kListen = 0x0A;
  std::istringstream table(FileText("/proc/net/tcp"));
  for (std::string line; std::getline(table, line);) {
    unsigned localPort = 0, state = 0;
    if (sscanf(line.c_str(), " %*u: %*x:%x %*x:%*x %x", &localPort, &state) == 2 && localPort == port &&
        state == kListen)
      return true;
  }
  return false;
}

// A display of the test with its own authority, and a drawing client on it.
struct TestDisplay {
  TestDisplay(int width, int height, const std::string& authority) : w(width), h(height), auth(authority) {
    server = std::make_unique<XvfbServer>(width, height, 24, false, authority);
    setenv("XAUTHORITY", authority.c_str(), 1);
    setenv("DISPLAY", server->DisplayName().c_str(), 1);
    drawing = std::make_unique<XDrawing>();
    unsetenv("DISPLAY");
  }
  std::vector<uint8_t> Rgb() {
    std::vector<uint8_t> rgb;
    for (uint32_t p : drawing->ReadRoot(0, 0, w, h))
      rgb.insert(rgb.end(), {static_cast<uint8_t>(p >> 16), static_cast<uint8_t>(p >> 8), static_cast<uint8_t>(p)});
    return rgb;
  }
  // Keys pressed on this display, as the person at it would.
  void Press(std::initializer_list<uint32_t> keysyms) {
    setenv("XAUTHORITY", auth.c_str(), 1);
    auto keyboard = vk::CreateXTestInjector(server->DisplayName());
    if (keyboard->Open() != 0) return;
    for (uint32_t k : keysyms) keyboard->Key(k, true);
    for (auto k = std::rbegin(keysyms); k != std::rend(keysyms); ++k) keyboard->Key(*k, false);
    keyboard->Close();
  }
  // True while a top-level window with this title is mapped.
  bool ShowsWindow(const std::string& title) {
    setenv("XAUTHORITY", auth.c_str(), 1);
    Display* d = XOpenDisplay(server->DisplayName().c_str());
    if (!d) return false;
    bool found = false;
    Window root = DefaultRootWindow(d), parent = 0, *children = nullptr;
    unsigned count = 0;
    if (XQueryTree(d, root, &root, &parent, &children, &count)) {
      for (unsigned i = 0; i < count && !found; ++i) {
        XWindowAttributes a;
        char* name = nullptr;
        if (XGetWindowAttributes(d, children[i], &a) && a.map_state == IsViewable &&
            XFetchName(d, children[i], &name) && name) {
          found = title == name;
        }
        if (name) XFree(name);
      }
      if (children) XFree(children);
    }
    XCloseDisplay(d);
    return found;
  }

  int w, h;
  std::string auth;
  std::unique_ptr<XvfbServer> server;
  std::unique_ptr<XDrawing> drawing;
};

class DesktopFollow : public ::testing::Test {
 protected:
  void SetUp() override {
    if (geteuid() != 0) GTEST_SKIP() << "the tray helper runs as another user: needs root";
    // The account wrappers (and a sanitizer runtime) go to the agent and the
    // console only, not to the bus, the mock or the X servers.
    if (const char* preload = std::getenv("LD_PRELOAD")) preload_ = preload;
    unsetenv("LD_PRELOAD");
    logind_ = std::make_unique<MockLogind>();
    if (!logind_->Running()) GTEST_SKIP() << logind_->Failure();
    dir_ = fs::temp_directory_path() / ("vk-desktops-" + std::to_string(std::random_device{}()));
    ASSERT_TRUE(fs::create_directories(dir_ / "registry"));
    fs::create_directories(dir_ / "settings");
    fs::create_directories(dir_ / "runtime");
    fs::permissions(dir_, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                              fs::perms::others_read | fs::perms::others_exec);
    ASSERT_EQ(chown((dir_ / "runtime").c_str(), kNobody, kNobody), 0);
    // The login screen's server is root's; the user's uses a file of the user.
    const std::string greeterAuth = (dir_ / "greeter.auth").string(), userAuth = (dir_ / "user.auth").string();
    ASSERT_FALSE(vk::x11::testing::WriteAuthorityFile(greeterAuth).empty());
    ASSERT_FALSE(vk::x11::testing::WriteAuthorityFile(userAuth).empty());
    ASSERT_EQ(chown(userAuth.c_str(), kNobody, kNobody), 0);
    greeter_ = std::make_unique<TestDisplay>(kGreeterWidth, kGreeterHeight, greeterAuth);
    user_ = std::make_unique<TestDisplay>(kUserWidth, kUserHeight, userAuth);
    ASSERT_TRUE(greeter_->drawing->Connected() && user_->drawing->Connected());
    greeter_->drawing->PatternRoot(0, 0, kGreeterWidth, kGreeterHeight, 3);
    user_->drawing->PatternRoot(0, 0, kUserWidth, kUserHeight, 17);
    user_->drawing->MakeWindow(100, 80, 300, 200, 0x336699);
    // The user session's leader carries its runtime folder.
    leader_ = std::make_unique<ChildProcess>(
        "/usr/bin/tail", std::map<std::string, std::string>{{"XDG_RUNTIME_DIR", (dir_ / "runtime").string()}},
        (dir_ / "leader.err").string(), std::vector<std::string>{"-f", "/dev/null"});
    ASSERT_TRUE(logind_->AddSession({"c1", 0, "root", "x11", "greeter", greeter_->server->DisplayName(), 1}));
    ASSERT_TRUE(logind_->AddSession(
        {"c2", kNobody, "nobody", "x11", "user", user_->server->DisplayName(), static_cast<uint32_t>(leader_->Pid())}));
    ASSERT_TRUE(logind_->Activate("c1"));
    port_ = reservedPort_.Port();
    ASSERT_NE(port_, 0);
  }
  void TearDown() override {
    if (agent_) {
      agent_->Signal(SIGTERM);
      agent_->Wait(30s);
    }
    agent_.reset();
    leader_.reset();
    user_.reset();
    greeter_.reset();
    logind_.reset();
    if (!dir_.empty()) fs::remove_all(dir_);
    if (!preload_.empty()) setenv("LD_PRELOAD", preload_.c_str(), 1);
  }

  // The agent as the unit runs it: no DISPLAY, logind on "the system bus".
  void StartAgent(uint32_t notificationMode) {
    VkRegisterSettingsClasses();
    cVkServiceSettings settings;
    cVkServiceSettingsConnection connection;
    connection.updatePort = port_;
    connection.inputMode = CONNECTION_DISABLED;
    cVkServiceSettingsTray tray;
    tray.notificationMode = notificationMode;
    settings.SetParts(connection, cVkServiceSettingsInput{}, cVkServiceSettingsScreen{}, tray);
    ASSERT_EQ(settings.SaveToFile(vk::FromUtf8((dir_ / "settings" / "Settings.dat").string())), 0);
    std::ofstream(dir_ / "registry" / "HKLM.reg")
        << "Windows Registry Editor Version 5.00\r\n\r\n"
        << "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvalline\\ViewKeeper\\Service\\Locations]\r\n"
        << "\"SettingsPath\"=\"" << (dir_ / "settings").string() << "/\"\r\n\r\n"
        << "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvalline\\ViewKeeper\\Service\\Settings]\r\n"
        << "\"Administrators\"=\"root\"\r\n\"Operators\"=\"\"\r\n\"Users\"=\"alice\"\r\n";
    agent_ = std::make_unique<ChildProcess>(
        DESKAGENT_PATH,
        std::map<std::string, std::string>{{"VIEWKEEPER_REGISTRY_DIR", (dir_ / "registry").string()},
                                           {"DBUS_SYSTEM_BUS_ADDRESS", logind_->Address()},
                                           {"DISPLAY", ""},
                                           {"XAUTHORITY", ""},
                                           {"NOTIFY_SOCKET", ""},
                                           {"LD_PRELOAD", preload_},
                                           {"LSAN_OPTIONS", "suppressions=" LSAN_SUPPRESSIONS}},
        (dir_ / "agent.err").string());
    ASSERT_TRUE(agent_->Started());
  }
  bool AgentRuns() { return agent_ && !agent_->Wait(0ms); }
  std::string AgentLog() { return FileText(dir_ / "settings" / "DeskAgent.log"); }

  cVkSnapOptions Options() {
    cVkSnapOptions o;
    o.port = port_;
    o.user = u"alice";
    o.password = u"alice-secret";
    o.seconds = 20;
    return o;
  }
  // A console session; the observer sees every applied update. Returns the
  // client's result, with the agent's closing messages in `messages`.
  int32_t View(const std::function<bool(cVkSnapClient&)>& afterUpdate, std::u16string* messages = nullptr) {
    cOrkLog log;
    log.SetMemLogMask(LOG_ALL);
    cVkSnapClient client(log);
    client.SetUpdateObserver([&] { return afterUpdate(client); });
    // The agent may still be starting.
    EXPECT_TRUE(progress_.WaitUntil([&] { return Listening(port_); }));
    const int32_t result = client.Run(Options());
    if (messages)
      for (const cOrkLogMessage& m : log.GetMessages()) *messages += m.text + u"\n";
    return result;
  }
  static bool Shows(cVkSnapClient& client, TestDisplay& display) {
    uint32_t w = 0, h = 0;
    std::vector<uint8_t> rgb;
    return client.Picture(w, h, rgb) && w == static_cast<uint32_t>(display.w) &&
           h == static_cast<uint32_t>(display.h) && rgb == display.Rgb();
  }
  // The agent's tray helper, once it runs; 0 while none does.
  pid_t HelperPid() {
    for (const auto& entry : fs::directory_iterator("/proc")) {
      const std::string name = entry.path().filename().string();
      if (name.find_first_not_of("0123456789") != std::string::npos) continue;
      const std::string stat = FileText(entry.path() / "stat");
      const size_t close = stat.rfind(')');
      if (stat.find("(deskagent-tray)") == std::string::npos || close == std::string::npos) continue;
      pid_t parent = 0;
      char state = 0;
      if (sscanf(stat.c_str() + close + 1, " %c %d", &state, &parent) == 2 && parent == agent_->Pid() && state != 'Z')
        return static_cast<pid_t>(std::stoi(entry.path().filename().string()));
    }
    return 0;
  }
  static uint32_t UidOf(pid_t pid) {
    const std::string status = FileText("/proc/" + std::to_string(pid) + "/status");
    const size_t at = status.find("\nUid:");
    return at == std::string::npos ? UINT32_MAX : static_cast<uint32_t>(std::stoul(status.substr(at + 5)));
  }

  vk::testing::Progress progress_;
  std::unique_ptr<MockLogind> logind_;
  fs::path dir_;
  std::string preload_;
  vk::testing::ReservedPort reservedPort_;
  uint16_t port_ = 0;
  std::unique_ptr<TestDisplay> greeter_, user_;
  std::unique_ptr<ChildProcess> leader_;
  std::unique_ptr<ChildProcess> agent_;
};

TEST_F(DesktopFollow, TheConsoleSeesTheLoginScreenTheUsersDesktopAndTheLoginScreenAgain) {
  StartAgent(NOTIFY_INFORMATION);
  enum Step { kGreeter, kUser, kGreeterAgain, kDone };
  Step step = kGreeter;
  uint32_t helperUid = 0;
  const int32_t result = View([&](cVkSnapClient& client) {
    if (step == kGreeter && Shows(client, *greeter_)) {
      step = kUser;
      logind_->Activate("c2");  // the user logged in
    } else if (step == kUser && Shows(client, *user_)) {
      step = kGreeterAgain;
      progress_.WaitUntil([&] { return HelperPid() != 0; });
      helperUid = UidOf(HelperPid());
      // The user's X server dies; the display manager shows its login screen.
      user_->drawing.reset();
      user_->server->Stop();
      logind_->RemoveSession("c2");
      logind_->Activate("c1");
    } else if (step == kGreeterAgain && Shows(client, *greeter_)) {
      step = kDone;
    }
    return step != kDone;
  });
  EXPECT_EQ(result, 0);
  EXPECT_EQ(step, kDone) << AgentLog();
  EXPECT_TRUE(AgentRuns()) << FileText(dir_ / "agent.err");
  // The tray went to the user's session, as the user; the agent itself has
  // no GUI library to be ended by a lost X server.
  EXPECT_EQ(helperUid, kNobody);
  EXPECT_EQ(FileText("/proc/" + std::to_string(agent_->Pid()) + "/maps").find("libQt"), std::string::npos);
  agent_->Signal(SIGTERM);
  EXPECT_EQ(agent_->Wait(30s), 0) << FileText(dir_ / "agent.err");
}

TEST_F(DesktopFollow, TheQuestionIsAskedInTheUsersSessionAndOnlyThere) {
  StartAgent(NOTIFY_QUESTION);
  // The login screen: nobody there can answer, the viewer is refused.
  std::u16string messages;
  View([](cVkSnapClient&) { return false; }, &messages);
  EXPECT_NE(messages.find(u"The user has denied the request to remotely view the desktop."), std::u16string::npos)
      << vk::ToUtf8(messages);

  ASSERT_TRUE(logind_->Activate("c2"));
  ASSERT_TRUE(progress_.WaitUntil([&] { return HelperPid() != 0; }));
  EXPECT_EQ(UidOf(HelperPid()), kNobody);

  // The person answers Yes (Alt+Y) on the user's display: the console views.
  std::atomic<bool> viewing{false};
  std::thread console([&] {
    View([&](cVkSnapClient& client) {
      viewing = Shows(client, *user_);
      return !viewing;
    });
  });
  progress_.WaitUntil([&] {
    if (user_->ShowsWindow("Question from: ViewKeeper")) user_->Press({XK_Alt_L, XK_y});
    return viewing.load();
  });
  console.join();
  EXPECT_TRUE(viewing);

  // A helper killed while it asks answers No; the agent goes on.
  messages.clear();
  console = std::thread([&] { View([](cVkSnapClient&) { return false; }, &messages); });
  ASSERT_TRUE(progress_.WaitUntil([&] { return user_->ShowsWindow("Question from: ViewKeeper"); }));
  kill(HelperPid(), SIGKILL);
  console.join();
  EXPECT_NE(messages.find(u"The user has denied the request to remotely view the desktop."), std::u16string::npos)
      << vk::ToUtf8(messages);
  EXPECT_TRUE(AgentRuns());

  // The user's next session gets a new helper; bytes that are no message of
  // the helper's stop it, and the agent says so.
  ASSERT_TRUE(logind_->AddSession(
      {"c3", kNobody, "nobody", "x11", "user", user_->server->DisplayName(), static_cast<uint32_t>(leader_->Pid())}));
  ASSERT_TRUE(logind_->Activate("c3"));
  pid_t helper = 0;
  ASSERT_TRUE(progress_.WaitUntil([&] { return (helper = HelperPid()) != 0; }));
  const int pidfd = static_cast<int>(syscall(SYS_pidfd_open, helper, 0));
  ASSERT_GE(pidfd, 0);
  const int link = static_cast<int>(syscall(SYS_pidfd_getfd, pidfd, 3, 0));
  ASSERT_GE(link, 0) << "the helper's end of the link";
  const uint8_t garbage[] = {2, 0, 0, 0, 0x63, 0};  // a frame of an unknown type
  ASSERT_EQ(write(link, garbage, sizeof garbage), static_cast<ssize_t>(sizeof garbage));
  close(link);
  close(pidfd);
  EXPECT_TRUE(progress_.WaitUntil([&] {
    return AgentLog().find("The tray helper sent a malformed message and has been stopped.") != std::string::npos;
  })) << AgentLog();
  EXPECT_TRUE(progress_.WaitUntil([&] { return HelperPid() == 0; }));
  EXPECT_TRUE(AgentRuns());
  agent_->Signal(SIGTERM);
  EXPECT_EQ(agent_->Wait(30s), 0) << FileText(dir_ / "agent.err");
}

}  // namespace
}  // namespace vk
