// The console's deployment wizard, configuration sheet and security flow end
// to end: a test sshd on 127.0.0.1 that takes root's password, in private
// mount and network namespaces where /opt, /etc/systemd/system, /var/lib,
// /root and the X server sockets are empty, systemctl is a stand-in that
// runs the installed agent on display :0 (a private Xvfb), and root's
// password in /etc/shadow is the test's (for the agent's logon check). The
// console itself runs offscreen, with the operator's answers given to its
// real dialogs.
#include <gtest/gtest.h>
#include <sys/mount.h>

#include <QAction>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/security_lists/service_security.h"
#include "common/settings/register_settings.h"
#include "common/settings/service_settings.h"
#include "console/tests/console_test_support.h"
#include "console/tests/operator_answers.h"
#include "console/ui/child_frame.h"
#include "console/ui/child_view.h"
#include "console/ui/config/deployment_wizard.h"
#include "console/ui/config/notification_page.h"
#include "console/ui/config/service_commands.h"
#include "console/ui/config/settings_sheet.h"
#include "console/ui/console_app.h"
#include "platform/ssh/testing/test_sshd.h"
#include "platform/x11/testing/x_drawing.h"
#include "platform/x11/testing/xvfb_server.h"

namespace {

namespace fs = std::filesystem;
using vk::testing::ReadFileText;
using vk::testing::WriteText;
using vktest::Until;

constexpr const char* kPassword = "Secret-42";
constexpr uint32_t kConfiguration = 32773;
constexpr int kWidth = 1024, kHeight = 640;

std::string PasswordHash(const std::string& password) {
  std::string hash;
  FILE* p = popen(("openssl passwd -6 " + password).c_str(), "r");
  char line[256] = {};
  if (p != nullptr && fgets(line, sizeof line, p) != nullptr) hash = line;
  if (p != nullptr) pclose(p);
  while (!hash.empty() && hash.back() == '\n') hash.pop_back();
  return hash;
}

// /etc/shadow of this mount namespace: the machine's, with root's password
// hash replaced.
bool ReplaceRootPassword(const std::string& folder, const std::string& hash) {
  std::ifstream in("/etc/shadow");
  std::ostringstream out;
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("root:", 0) == 0) line = "root:" + hash + line.substr(line.find(':', 5));
    out << line << "\n";
  }
  const std::string copy = folder + "/shadow";
  WriteText(copy, out.str(), 0640);
  return mount(copy.c_str(), "/etc/shadow", nullptr, MS_BIND, nullptr) == 0;
}

// Runs `step` on the first modal window of type T once it is up.
template <class T>
void WhenModalOpens(std::function<void(T&)> step) {
  QTimer::singleShot(20, [step] {
    auto* window = qobject_cast<T*>(QApplication::activeModalWidget());
    if (window == nullptr) return WhenModalOpens<T>(step);
    step(*window);
  });
}

class DeploymentEndToEnd : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // The namespaces come first: Qt's threads then share them.
    const bool isolated = vk::testing::EnterPrivateNamespaces(
        {"/opt", "/etc/systemd/system", "/var/lib", "/usr/local/sbin", "/root", "/tmp/.X11-unix"});
    vktest::StartConsoleApplication();
    if (!isolated) return;
    fs::copy_file(STANDIN_PATH, "/usr/local/sbin/systemctl");
    folder_ = vk::testing::MakeTempFolder("vk-deploy-");
    const std::string hash = PasswordHash(kPassword);
    if (hash.empty()) return;
    chmod(folder_.c_str(), 0755);
    WriteText(folder_ + "/passwd",
              "root:" + hash + ":0:0:root:/root:/bin/sh\nsshd:x:105:65534::/run/sshd:/usr/sbin/nologin\n", 0644);
    WriteText(folder_ + "/group", "root:x:0:\nnogroup:x:65534:\n", 0644);
    sshd_ = new vk::testing::TestSshd("PasswordAuthentication yes\nPubkeyAuthentication no\n",
                                      {{"LD_PRELOAD", NSS_WRAPPER_LIBRARY},
                                       {"NSS_WRAPPER_PASSWD", folder_ + "/passwd"},
                                       {"NSS_WRAPPER_GROUP", folder_ + "/group"}});
    unsetenv("SSH_AUTH_SOCK");
    // The agent's desktop: display :0, which the stand-in systemctl gives it.
    xvfb_ = new vk::testing::XvfbServer();
    live_ = ReplaceRootPassword(folder_, hash) &&
            xvfb_->StartPrivateOn(":0", std::to_string(kWidth) + "x" + std::to_string(kHeight) + "x24");
    setenv("DISPLAY", ":0", 1);  // where the test draws
    // One operator's home for the whole run: the console's settings and
    // data files stay from one test to the next, as they would.
    setenv("XDG_CONFIG_HOME", folder_.c_str(), 1);
    setenv("XDG_DATA_HOME", folder_.c_str(), 1);
  }
  static void TearDownTestSuite() {
    if (sshd_ != nullptr && fs::exists("/etc/systemd/system/viewkeeper.service")) {
      vk::testing::RunShell("/usr/local/sbin/systemctl stop viewkeeper.service >/dev/null 2>&1");
    }
    delete sshd_;
    sshd_ = nullptr;
    delete xvfb_;
    xvfb_ = nullptr;
    vktest::EndConsoleApplication();
    if (!folder_.empty()) fs::remove_all(folder_);
  }
  void SetUp() override {
    if (sshd_ == nullptr || !sshd_->Ready()) GTEST_SKIP() << "no private namespaces, openssl or sshd here";
    ASSERT_TRUE(live_) << "no private Xvfb on :0 or no private /etc/shadow";
    WriteText(KnownHosts(), sshd_->KnownHostsLine(sshd_->HostKey().publicLine) + "\n" +
                                "[localhost]:" + std::to_string(sshd_->Port()) + " " +
                                sshd_->HostKey().publicLine.substr(0, sshd_->HostKey().publicLine.rfind(' ')) + "\n");
    log_.SetMemLogMask(LOG_ALL);
  }
  void TearDown() override { app_.reset(); }

  // A console as the operator starts it: no computer on the command line.
  void StartConsole() {
    vk::ssh::SshTarget base;
    base.port = sshd_->Port();
    base.configFile = "none";
    base.knownHostsFile = KnownHosts();
    base.user = "root";
    app_ = std::make_unique<cVkConsoleApp>(base);
    ASSERT_EQ(app_->Start(VkConsoleOptions{}, u""), 0);
  }

  static std::string KnownHosts() { return folder_ + "/known_hosts"; }
  static std::string Data(const char* name) { return folder_ + "/ViewKeeper/" + name; }
  static bool AgentRunning() {
    std::string pid = ReadFileText("/run/vk-systemctl/pid");
    while (!pid.empty() && pid.back() == '\n') pid.pop_back();
    std::error_code ec;
    return !pid.empty() && fs::read_symlink("/proc/" + pid + "/exe", ec) == "/opt/viewkeeper/deskagent";
  }
  CMainFrame& Frame() { return *app_->MainFrame(); }
  cVkServiceCommands& Services() { return Frame().Services(); }

  // Fills the wizard for 127.0.0.1 with root's account and `password`;
  // the page it ends on.
  static int FillWizard(cVkDeploymentWizard& wizard, const QString& password) {
    wizard.Welcome()->ComputerField()->setText(QStringLiteral("127.0.0.1"));
    wizard.next();
    cVkLogonPage* logon = wizard.LogonPage();
    if (!logon->AlternateBox()->isChecked()) logon->AlternateBox()->click();
    logon->UserField()->setText(QStringLiteral("root"));
    logon->PasswordField()->setText(password);
    wizard.next();
    return wizard.currentId();
  }

  // The viewer of the computer, once it shows the agent's desktop.
  CChildView* LiveViewer() {
    CChildView* view = nullptr;
    Until([&] {
      for (CChildFrame* frame : Frame().Viewers()) {
        if (frame->View()->RemoteSize() == QSize(kWidth, kHeight) && !frame->View()->Image().isNull())
          view = frame->View();
      }
      return view != nullptr;
    });
    return view;
  }

  static vk::testing::TestSshd* sshd_;
  static vk::testing::XvfbServer* xvfb_;
  static bool live_;
  static std::string folder_;
  cOrkLog log_;
  cVkOperatorAnswers operator_;
  std::unique_ptr<cVkConsoleApp> app_;
};
vk::testing::TestSshd* DeploymentEndToEnd::sshd_ = nullptr;
vk::testing::XvfbServer* DeploymentEndToEnd::xvfb_ = nullptr;
bool DeploymentEndToEnd::live_ = false;
std::string DeploymentEndToEnd::folder_;

// A fresh console: the wizard at start, a wrong password that keeps the
// logon page, the install with the right one, and "Finish" opening the
// viewer's logon with the wizard's account. The agent's record made on the
// way is in SM.dat after exit.
TEST_F(DeploymentEndToEnd, FreshConsoleRunsTheWizardAtStartInstallsAndOpensTheLogonWithItsAccount) {
  ASSERT_FALSE(QSettings().contains(QStringLiteral("MainWnd/ShowWizard")));
  int wrongPage = -1, rightPage = -1;
  bool finished = false;
  operator_.wizard = [&](cVkDeploymentWizard& wizard) {
    wizard.Welcome()->ShowAtStartBox()->setChecked(false);
    wrongPage = FillWizard(wizard, QStringLiteral("wrong"));
    EXPECT_FALSE(fs::exists("/opt/viewkeeper/deskagent"));
    wizard.back();
    rightPage = FillWizard(wizard, QString::fromLatin1(kPassword));
    wizard.accept();
    finished = true;
  };
  ASSERT_NO_FATAL_FAILURE(StartConsole());
  ASSERT_TRUE(Until([&] { return finished && operator_.logons == 1; }, std::chrono::seconds(60)))
      << operator_.boxes.join('\n').toStdString() << operator_.errors.join('\n').toStdString();
  EXPECT_EQ(operator_.wizards, QStringList{QString()});  // at start: no computer given
  EXPECT_EQ(wrongPage, cVkDeploymentWizard::kLogon);
  ASSERT_EQ(operator_.errors.size(), 1) << operator_.errors.join('\n').toStdString();
  EXPECT_TRUE(operator_.errors[0].startsWith(
      QStringLiteral("Error installing the ViewKeeper service on computer '127.0.0.1'.")));
  EXPECT_TRUE(operator_.boxes.contains(
      QStringLiteral("The installation of the ViewKeeper service on computer '127.0.0.1' has failed.")));
  ASSERT_EQ(rightPage, cVkDeploymentWizard::kComplete);
  EXPECT_TRUE(AgentRunning());
  EXPECT_EQ(ReadFileText("/opt/viewkeeper/deskagent"), ReadFileText(std::string(BIN_DIR) + "/deskagent"));
  // The viewer's logon comes with the wizard's account.
  EXPECT_EQ(operator_.logonUsers, QStringList{QStringLiteral("root")});
  EXPECT_TRUE(operator_.logonPasswordGiven);
  EXPECT_EQ(QSettings().value(QStringLiteral("MainWnd/ShowWizard")).toInt(), 0);
  app_.reset();

  cVkAgentManager saved;
  ASSERT_EQ(saved.Load(vk::FromUtf8(Data("SM.dat"))), 0);
  EXPECT_NE(saved.FindAgent(u"127.0.0.1"), nullptr);
}

// The viewer "Finish" opens (the same call, with the wizard's account)
// shows the computer's desktop: a square drawn there shows in the viewer.
TEST_F(DeploymentEndToEnd, TheWizardsViewerShowsTheDesktop) {
  ASSERT_TRUE(AgentRunning());
  ASSERT_NO_FATAL_FAILURE(StartConsole());
  operator_.acceptLogons = true;
  ASSERT_TRUE(app_->State().connections.Open(Frame(), u"127.0.0.1", u"root", vk::FromUtf8(kPassword), u""));
  CChildView* view = LiveViewer();
  ASSERT_NE(view, nullptr) << operator_.boxes.join('\n').toStdString() << operator_.errors.join('\n').toStdString()
                           << ReadFileText("/run/vk-systemctl/agent.out");
  vk::x11::testing::XDrawing x;
  ASSERT_TRUE(x.Connected());
  x.FillRoot(100, 100, 40, 40, 0x00C08040);
  EXPECT_TRUE(Until([&] { return view->Image().pixel(120, 120) == 0xFFC08040u; }));
}

// "Configuration..." with the sheet's "Ask" chosen reaches the agent; the
// security flow reads and writes the one agent under two names.
TEST_F(DeploymentEndToEnd, TheSheetsNotificationModeAndTheSecurityListsReachTheAgent) {
  ASSERT_NO_FATAL_FAILURE(StartConsole());
  Services().Connector().SetLogon(u"127.0.0.1", u"root", vk::FromUtf8(kPassword));
  Services().Connector().SetLogon(u"localhost", u"root", vk::FromUtf8(kPassword));
  if (!AgentRunning()) {
    ASSERT_EQ(Services().Install({u"127.0.0.1"}, u"/opt/viewkeeper/").failed.size(), 0u)
        << operator_.errors.join('\n').toStdString();
  }
  if (!fs::exists("/etc/systemd/system/viewkeeper.service.d/display-name.conf"))
    GTEST_SKIP() << "this deskagent does not start its configuration RPC listener";

  operator_.computers = QStringLiteral("127.0.0.1");
  bool wasSilent = false;
  WhenModalOpens<cVkSettingsSheet>([&](cVkSettingsSheet& sheet) {
    wasSilent = sheet.NotificationPage()->ModeButton(NOTIFY_SILENT)->isChecked();
    sheet.NotificationPage()->ModeButton(NOTIFY_QUESTION)->click();
    sheet.Buttons()->button(QDialogButtonBox::Ok)->click();
  });
  Frame().Action(kConfiguration)->trigger();
  EXPECT_TRUE(operator_.errors.isEmpty()) << operator_.errors.join('\n').toStdString();
  EXPECT_TRUE(wasSilent);
  VkRegisterSettingsClasses();
  cVkServiceSettings saved;
  ASSERT_EQ(saved.LoadFromFile(u"/opt/viewkeeper/Settings.dat"), 0);
  EXPECT_EQ(saved.GetTray()->notificationMode, NOTIFY_QUESTION);
  // Read back through the sheet: "Ask" is chosen.
  bool asks = false;
  WhenModalOpens<cVkSettingsSheet>([&](cVkSettingsSheet& sheet) {
    asks = sheet.NotificationPage()->ModeButton(NOTIFY_QUESTION)->isChecked();
    sheet.reject();
  });
  Frame().Action(kConfiguration)->trigger();
  EXPECT_TRUE(asks);

  // Two names of the one agent: both read, the same lists, both written.
  cVkOperatorQuestions& questions = Services().Questions();
  VkAccountList administrators;
  cVkSecurityFlowResult flow = VkEditSecurityOnComputers(
      log_, Services().Manager(), {u"127.0.0.1", u"localhost"},
      [&](cVkServiceSecurity& security) {
        administrators = security.GetAdministrators();
        security.SetLists(security.GetAdministrators(), {u"root"}, {});
        return true;
      },
      questions);
  EXPECT_TRUE(flow.readFailed.empty()) << operator_.errors.join('\n').toStdString() << vktest::LogText(log_);
  EXPECT_EQ(flow.written, (std::vector<std::u16string>{u"127.0.0.1", u"localhost"}));
  EXPECT_FALSE(administrators.empty());
  flow = VkEditSecurityOnComputers(
      log_, Services().Manager(), {u"localhost"},
      [&](cVkServiceSecurity& security) {
        EXPECT_EQ(security.GetOperators(), VkAccountList{u"root"});
        EXPECT_TRUE(security.GetUsers().empty());
        return false;
      },
      questions);
  EXPECT_FALSE(flow.edited);
}

// With "Ask" set in the sheet, the next connection asks the person at the
// computer. Nobody is logged on there to answer, which counts as No: the
// viewer gets no picture.
TEST_F(DeploymentEndToEnd, WithAskTheNextConnectionWaitsForAnAnswerThatNobodyGives) {
  ASSERT_TRUE(AgentRunning());
  ASSERT_NO_FATAL_FAILURE(StartConsole());
  operator_.acceptLogons = true;
  const std::string agentLog = "/opt/viewkeeper/DeskAgent.log";
  const std::string denied = "The user has denied the request to remotely view the desktop.";
  ASSERT_EQ(ReadFileText(agentLog).find(denied), std::string::npos);
  ASSERT_TRUE(app_->State().connections.Open(Frame(), u"127.0.0.1", u"root", vk::FromUtf8(kPassword), u""));
  EXPECT_TRUE(Until([&] { return ReadFileText(agentLog).find(denied) != std::string::npos; }))
      << ReadFileText(agentLog);
  for (CChildFrame* frame : Frame().Viewers()) EXPECT_TRUE(frame->View()->Image().isNull());
  for (CChildFrame* frame : Frame().Viewers()) frame->close();
}

TEST_F(DeploymentEndToEnd, RemoveTakesTheAgentAway) {
  ASSERT_NO_FATAL_FAILURE(StartConsole());
  Services().Connector().SetLogon(u"127.0.0.1", u"root", vk::FromUtf8(kPassword));
  ASSERT_TRUE(AgentRunning());
  cVkFlowResult removed = Services().Remove({u"127.0.0.1"});
  EXPECT_TRUE(removed.failed.empty()) << operator_.errors.join('\n').toStdString();
  EXPECT_FALSE(AgentRunning());
  EXPECT_FALSE(fs::exists("/opt/viewkeeper/deskagent"));
}

}  // namespace
