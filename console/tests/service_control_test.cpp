// The console's service commands end to end: a test sshd on 127.0.0.1 in
// private mount and network namespaces, where /opt, /etc/systemd/system,
// /var/lib and the X server sockets are empty and systemctl is the stand-in
// that starts and stops the installed deskagent. The main window's Start, Stop and "Show Remote
// Desktop" run through the real agent manager over SSH, offscreen, with the
// operator's answers given to the real dialogs.
#include <gtest/gtest.h>

#include <QAction>
#include <filesystem>
#include <random>

#include "console/core/service_flow_texts.h"
#include "console/tests/console_host_test.h"
#include "console/tests/console_test_support.h"
#include "console/tests/operator_answers.h"
#include "console/ui/child_frame.h"
#include "console/ui/child_view.h"
#include "console/ui/config/service_commands.h"
#include "console/ui/progress_dialog.h"
#include "console/ui/console_app.h"
#include "console/ui/qt_text.h"

namespace {

namespace fs = std::filesystem;
using vktest::Until;

constexpr uint32_t kShowRemoteDesktop = 57600;
constexpr uint32_t kStart = 32774;
constexpr uint32_t kStop = 32775;

class ServiceControl : public vktest::ConsoleHostTest {
 protected:
  void SetUp() override { ASSERT_NO_FATAL_FAILURE(StartConsole("vk-console-services-")); }

  static bool AgentRunning() {
    std::string pid = vk::testing::ReadFileText("/run/vk-systemctl/pid");
    while (!pid.empty() && pid.back() == '\n') pid.pop_back();
    std::error_code ec;
    return !pid.empty() && fs::read_symlink("/proc/" + pid + "/exe", ec) == "/opt/viewkeeper/deskagent";
  }
  CMainFrame& Frame() { return *app_->MainFrame(); }
  void Installed() {
    if (fs::exists("/etc/systemd/system/viewkeeper.service")) return;
    ASSERT_EQ(Agents().InstallAgent(log_, u"127.0.0.1", u"/opt/viewkeeper/", nullptr), 0);
    ASSERT_EQ(Agents().StartAgent(log_, u"127.0.0.1", nullptr), 0)
        << vktest::LogText(log_) << vk::testing::ReadFileText("/run/vk-systemctl/agent.out");
    ASSERT_TRUE(AgentRunning());
  }
  void Command(uint32_t command) { Frame().Action(command)->trigger(); }

  cVkOperatorAnswers operator_;
};

TEST_F(ServiceControl, StopAsksFirstGoesOnAfterAFailureAndClosesTheStoppedComputersViewers) {
  ASSERT_NO_FATAL_FAILURE(Installed());
  // "localhost" is not in known_hosts: its host key is refused below.
  operator_.computers = QStringLiteral("localhost,127.0.0.1");
  operator_.buttons = {QMessageBox::No};
  Command(kStop);
  ASSERT_EQ(operator_.boxes.size(), 1);
  EXPECT_EQ(operator_.boxes[0],
            QStringLiteral("Are you sure that you want to stop the services on computers: localhost,127.0.0.1?"));
  EXPECT_TRUE(AgentRunning());

  // A viewer of that computer (its connection fails: nothing listens there).
  cVkConnectionInfo record;
  record.computerName = u"127.0.0.1";
  record.updatePort = static_cast<uint16_t>(vk::testing::FreeLoopbackPort());
  Frame().OpenViewer(record);
  ASSERT_EQ(Frame().Viewers().size(), 1);
  ASSERT_TRUE(Until([&] { return !operator_.errors.isEmpty(); }));
  operator_.Forget();

  operator_.buttons = {QMessageBox::Yes, QMessageBox::No};  // stop; the unknown host key
  Command(kStop);
  ASSERT_EQ(operator_.boxes.size(), 2) << operator_.boxes.join('\n').toStdString();
  EXPECT_TRUE(operator_.boxes[1].startsWith(QStringLiteral("The authenticity of host 'localhost'")))
      << operator_.boxes[1].toStdString();
  ASSERT_EQ(operator_.errors.size(), 1);
  EXPECT_TRUE(
      operator_.errors[0].startsWith(QStringLiteral("An error has occurred while stopping the service on computer "
                                                    "localhost.\n")))
      << operator_.errors[0].toStdString();
  EXPECT_FALSE(AgentRunning());
  EXPECT_TRUE(Frame().Viewers().isEmpty());

  operator_.Forget();
  operator_.computers = QStringLiteral("127.0.0.1");
  operator_.buttons = {QMessageBox::Yes};  // a single computer
  Command(kStop);
  EXPECT_EQ(operator_.boxes,
            QStringList{QStringLiteral("Are you sure that you want to stop the service on computer 127.0.0.1?")});
  // Stopping a stopped agent is no failure.
  EXPECT_TRUE(operator_.errors.isEmpty()) << operator_.errors.join('\n').toStdString();

  operator_.Forget();
  Command(kStart);
  EXPECT_TRUE(operator_.boxes.isEmpty());
  EXPECT_TRUE(operator_.errors.isEmpty()) << operator_.errors.join('\n').toStdString();
  EXPECT_TRUE(AgentRunning());
}

TEST_F(ServiceControl, ShowRemoteDesktopChecksTheServiceStateBeforeTheLogon) {
  ASSERT_NO_FATAL_FAILURE(Installed());
  ASSERT_EQ(Agents().StopAgent(log_, u"127.0.0.1", nullptr), 0);
  operator_.computers = QStringLiteral("127.0.0.1");

  // A stopped agent: the start offer; No leaves it stopped and opens nothing.
  operator_.buttons = {QMessageBox::No};
  Command(kShowRemoteDesktop);
  EXPECT_EQ(operator_.boxes, QStringList{ToQString(VkStartOfferQuestion())});
  EXPECT_EQ(operator_.logons, 0);
  EXPECT_FALSE(AgentRunning());

  // Yes starts it, then the logon follows (cancelled here: no viewer).
  operator_.Forget();
  operator_.buttons = {QMessageBox::Yes};
  Command(kShowRemoteDesktop);
  EXPECT_EQ(operator_.boxes.size(), 1);
  EXPECT_TRUE(AgentRunning());
  EXPECT_EQ(operator_.logons, 1);
  EXPECT_TRUE(Frame().Viewers().isEmpty());

  // A running agent goes straight to the logon.
  operator_.Forget();
  Command(kShowRemoteDesktop);
  EXPECT_TRUE(operator_.boxes.isEmpty()) << operator_.boxes.join('\n').toStdString();
  EXPECT_EQ(operator_.logons, 1);

  // A computer whose state cannot be read: the question; Cancel skips it.
  operator_.Forget();
  operator_.computers = QStringLiteral("localhost");
  operator_.buttons = {QMessageBox::No, QMessageBox::Cancel};  // the host key; the question
  Command(kShowRemoteDesktop);
  ASSERT_EQ(operator_.boxes.size(), 2) << operator_.boxes.join('\n').toStdString();
  EXPECT_EQ(operator_.boxes[1], ToQString(VkUnknownServiceQuestion()));
  EXPECT_EQ(operator_.logons, 0);

  // No agent: the installation wizard opens for the computer.
  ASSERT_EQ(Agents().RemoveAgent(log_, u"127.0.0.1", nullptr), 0);
  operator_.Forget();
  operator_.computers = QStringLiteral("127.0.0.1");
  Command(kShowRemoteDesktop);
  EXPECT_TRUE(operator_.boxes.isEmpty()) << operator_.boxes.join('\n').toStdString();
  EXPECT_EQ(operator_.wizards, QStringList{QStringLiteral("127.0.0.1")});
  EXPECT_EQ(operator_.logons, 0);
}

// Cancel on the progress dialog of a run over three computers, pressed
// while the first one waits for its host-key question: that one ends, the
// other two are not reached and the summary names them.
TEST_F(ServiceControl, CancelBetweenComputersNamesTheComputersNotReached) {
  bool cancelPressed = false;
  operator_.beforeBox = [&](QMessageBox& box) {
    if (!box.text().startsWith(QStringLiteral("The authenticity of host 'localhost'"))) return;
    for (QWidget* window : QApplication::topLevelWidgets()) {
      auto* progress = qobject_cast<cVkProgressDialog*>(window);
      if (progress == nullptr || progress->CancelButton()->isHidden()) continue;
      progress->CancelButton()->click();
      cancelPressed = true;
    }
  };
  operator_.buttons = {QMessageBox::No};  // the unknown host key
  cVkFlowResult flow = Frame().Services().Remove({u"localhost", u"127.0.0.1", u"pc3"});
  ASSERT_TRUE(cancelPressed) << operator_.boxes.join('\n').toStdString();
  EXPECT_EQ(flow.failed, std::vector<std::u16string>{u"localhost"});
  EXPECT_EQ(flow.notReached, (std::vector<std::u16string>{u"127.0.0.1", u"pc3"}));
  EXPECT_TRUE(operator_.boxes.contains(
      QStringLiteral("The operation was cancelled. It did not reach the following computers: '127.0.0.1,pc3'.")))
      << operator_.boxes.join('\n').toStdString();
  ASSERT_EQ(operator_.errors.size(), 1);
  EXPECT_TRUE(operator_.errors[0].startsWith(
      QStringLiteral("One or more errors have occurred while removing the service from the following computers "
                     "localhost.")))
      << operator_.errors[0].toStdString();
}

}  // namespace
