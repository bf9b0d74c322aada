// A console asks to view; the local person answers the question on the
// display, the console's keys reach the desktop, and the person withdraws.
// Real session manager, tray (Qt on Xvfb) and input handler (XTest).
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QAction>
#include <QMessageBox>

#include <cstdio>
#include <filesystem>

#include "platform/testing/child_failures.h"
#include "agent/input/input_handler.h"
#include "common/protocol/auth_block.h"
#include "agent/session/tests/session_test_support.h"
#include "agent/tray/tray_gui.h"
#include "agent/tray/tray_gui_host.h"
#include "agent/session/session_viewer.h"
#include "agent/tray/tray_manager.h"
#include "common/socket/socket.h"
#include "common/protocol/input_codes.h"
#include "common/screen/screen_info.h"
#include "platform/power/recording_power_control.h"
#include "platform/xtest/tests/event_recorder.h"
#include "agent/tray/tests/qt_display_suite.h"
#include "platform/x11/testing/xvfb_server.h"
// X last: Xlib's macros clash with other names.
#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace {

using namespace std::chrono_literals;

constexpr uint32_t kLoopback = 0x0100007F;  // 127.0.0.1, network order

using vk::testing::ReportChildFailures;

class NoBlocker : public iVkLocalInputBlocker {
 public:
  void DisableKeyboard() override {}
  void EnableKeyboard() override {}
  void DisableMouse() override {}
  void EnableMouse() override {}
};

// One agent: session manager, tray and input handler, wired as the agent
// wires them (around the session's viewer record).
struct Agent {
  explicit Agent(const std::string& display)
      : logon(progress),
        screen(progress),
        port(reservedPort.Port()),
        tray(
            viewer, [] { return NOTIFY_QUESTION; },
            [this, display](cVkTrayHelperEvents& events) {
              auto host = std::make_unique<cVkTrayGuiHost>(events, display);
              gui = host.get();
              return host;
            }),
        input({viewer, screen,
               [] {
                 return cVkInputSettings{INPUT_ALLOW_KEYBOARD | INPUT_ALLOW_MOUSE, CONNECTION_NORMAL, 0};
               },
               nullptr, power, blocker},
              vk::CreateXTestInjector(display)),
        sessions(Parts()) {
    screen.makeInfo = [] { return std::make_unique<cVkScreenInfo>(); };
  }
  vk::cVkSessionParts Parts() {
    vk::cVkSessionParts parts;
    parts.viewer = &viewer;
    parts.logon = &logon;
    parts.tray = &tray;
    parts.input = &input;
    parts.screen = &screen;
    parts.settings = [this] { return vk::cVkSessionSettings{CONNECTION_NORMAL, port}; };
    return parts;
  }
  bool Start() {
    cOrkLog log;
    return tray.Initialize(log) == 0 && sessions.Start(log) == 0;
  }
  void Stop() {
    cOrkLog log;
    sessions.Stop(log);
    tray.Uninitialize(log);
  }

  vk::testing::Progress progress;
  vk::testing::FakeLogon logon;
  vk::testing::FakeScreen screen;
  vk::RecordingPowerControl power;
  NoBlocker blocker;
  vk::testing::ReservedPort reservedPort;
  uint16_t port = 0;
  vk::cVkSessionViewer viewer;
  cVkTrayGuiHost* gui = nullptr;  // owned by the tray
  cVkTrayManager tray;
  cVkInputHandler input;
  vk::cVkSessionManager sessions;
};

class SessionConsentTest : public QtDisplaySuite {
 protected:
  // Qt takes the first thread that creates its application as the process's
  // main thread: each scenario runs in a child process of its own.
  void InChild(const std::function<void()>& scenario) {
    GTEST_FLAG_SET(death_test_style, "fast");
    EXPECT_EXIT(
        {
          scenario();
          ReportChildFailures();
          _exit(HasFailure() ? 1 : 0);
        },
        testing::ExitedWithCode(0), "");
  }
  static void Click(Agent& agent, QMessageBox::StandardButton button) {
    ASSERT_TRUE(agent.tray.WaitForQuestionShown(20s));
    agent.gui->RunOnGui([button](cVkTrayGui& gui) { gui.QuestionBox()->button(button)->click(); });
  }
  // Connects once the listener is up, and authenticates.
  static bool Connect(vk::testing::Console& console, Agent& agent) {
    return agent.progress.WaitUntil([&] { return console.Connect(agent.port); }, 20s) &&
           console.Send(vk::BuildAuthBlock(u"alice", u"CORP", u"secret")) == 0;
  }
};

TEST_F(SessionConsentTest, AllowedViewerTypesUntilTheLocalPersonWithdraws) {
  InChild([] {
    vk::testing::EventRecorder recorder;
    ASSERT_TRUE(recorder.Open(server_->DisplayName()));
    Agent agent(server_->DisplayName());
    ASSERT_TRUE(agent.Start());
    ASSERT_TRUE(agent.tray.WaitForShowing(20s));
    vk::testing::Console console;
    ASSERT_TRUE(Connect(console, agent));
    Click(agent, QMessageBox::Yes);
    vk::testing::Message format;
    ASSERT_EQ(console.Read(format), 0);
    EXPECT_EQ(format.type, vk::kObjectMessage);

    // The viewer's keys reach the desktop.
    ASSERT_TRUE(agent.input.WaitUntilListening(20s));
    cOrkLog udpLog;
    cVkSocket udp(5);
    ASSERT_EQ(udp.Create(udpLog, vk::net::kDatagram), 0);
    for (uint32_t code : {WM_KEYDOWN, WM_KEYUP}) {
      auto bytes = vk::EncodeInputDatagram({code, 'V', vk::MakeKeyData(0x2F, false, code == WM_KEYUP)});
      ASSERT_EQ(udp.SendTo(bytes.data(), bytes.size(), kLoopback, agent.input.ListeningPort()), 0);
    }
    udp.Close(udpLog);
    EXPECT_TRUE(recorder.WaitFor([](auto& events) {
      for (const auto& e : events)
        if (e.type == KeyRelease && e.keysym == XK_v) return true;
      return false;
    }));

    // The local person withdraws: the console gets the log and the close.
    agent.gui->RunOnGui([](cVkTrayGui& gui) { gui.AllowAction()->trigger(); });
    vk::testing::Message log;
    ASSERT_TRUE(console.ReadsLogThenClose(log));
    EXPECT_TRUE(vk::testing::HoldsText(log.payload, u"The remote user has denied remote access to his desktop."));
    agent.Stop();
  });
}

TEST_F(SessionConsentTest, ViewerRefusedWhenTheAnswerIsNo) {
  InChild([] {
    Agent agent(server_->DisplayName());
    ASSERT_TRUE(agent.Start());
    ASSERT_TRUE(agent.tray.WaitForShowing(20s));
    vk::testing::Console console;
    ASSERT_TRUE(Connect(console, agent));
    Click(agent, QMessageBox::No);
    vk::testing::Message log;
    ASSERT_TRUE(console.ReadsLogThenClose(log));
    EXPECT_TRUE(vk::testing::HoldsText(log.payload, u"The user has denied the request to remotely view the desktop."));
    EXPECT_EQ(agent.screen.screenStarts.load(), 0);
    agent.Stop();
  });
}

TEST_F(SessionConsentTest, WithoutDisplayNobodyCanBeAskedAndTheViewerIsRefused) {
  InChild([] {
    const std::string display = vk::testing::NoServerDisplayName();
    Agent agent(display);
    ASSERT_TRUE(agent.Start());  // the agent starts without its display
    vk::testing::Console console;
    ASSERT_TRUE(Connect(console, agent));
    vk::testing::Message log;
    ASSERT_TRUE(console.ReadsLogThenClose(log));
    EXPECT_TRUE(vk::testing::HoldsText(log.payload, u"The user has denied the request to remotely view the desktop."));
    agent.Stop();
  });
}

}  // namespace

namespace {

TEST_F(SessionConsentTest, ConsoleThatHangsUpWhileAskedAnswersNoAndFreesTheSlot) {
  InChild([] {
    Agent agent(server_->DisplayName());
    ASSERT_TRUE(agent.Start());
    ASSERT_TRUE(agent.tray.WaitForShowing(20s));
    vk::testing::Console console;
    ASSERT_TRUE(Connect(console, agent));
    ASSERT_TRUE(agent.tray.WaitForQuestionShown(20s));
    console.Close();
    // Well within the question's own minute: the session ends and the
    // screen was never started for the console that left.
    EXPECT_TRUE(agent.progress.WaitUntil(
        [&] {
          bool connected = true;
          std::u16string name;
          uint32_t address = 0;
          {
            const cVkViewerInfo info = agent.sessions.GetViewerInfo();
            connected = info.connected;
            name = info.viewerName;
            address = info.address;
          }
          return !connected;
        },
        10s));
    EXPECT_EQ(agent.screen.screenStarts.load(), 0);
    agent.Stop();
  });
}

}  // namespace
