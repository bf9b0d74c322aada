// The deployment wizard, the configuration flow and the security flow end
// to end: a test sshd on 127.0.0.1 that takes root's password, in private
// mount and network namespaces where /opt, /etc/systemd/system, /var/lib
// and /root are empty and systemctl is a stand-in that runs the installed
// agent. The console's dialogs are driven offscreen.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QTimer>
#include <filesystem>

#include "common/security_lists/service_security.h"
#include "common/settings/register_settings.h"
#include "common/settings/service_settings.h"
#include "console/ui/config/deployment_wizard.h"
#include "console/ui/config/service_commands.h"
#include "console/ui/error_dialog.h"
#include "platform/ssh/testing/test_sshd.h"

namespace {

namespace fs = std::filesystem;
using vk::testing::ReadFileText;
using vk::testing::WriteText;

constexpr const char* kPassword = "Secret-42";

// Closes every modal window that opens (message boxes with their default
// button, other dialogs with accept) and keeps their texts.
class ModalCloser {
 public:
  ModalCloser() {
    QObject::connect(&timer_, &QTimer::timeout, [this] { CloseModal(); });
    timer_.start(20);
  }
  const QStringList& Seen() const { return seen_; }
  bool Saw(const QString& part) const {
    for (const QString& text : seen_) {
      if (text.contains(part)) return true;
    }
    return false;
  }

 private:
  void CloseModal() {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      seen_.append(box->text());
      QAbstractButton* button = box->defaultButton();
      if (button == nullptr) button = box->buttons().value(0);
      if (button != nullptr) button->click();
    } else if (auto* error = qobject_cast<cVkErrorDialog*>(QApplication::activeModalWidget())) {
      seen_.append(error->windowTitle() + QStringLiteral(": ") + error->MessageText());
      error->accept();
    }
  }
  QTimer timer_;
  QStringList seen_;
};

std::string PasswordHash(const std::string& password) {
  std::string hash;
  FILE* p = popen(("openssl passwd -6 " + password).c_str(), "r");
  char line[256] = {};
  if (p != nullptr && fgets(line, sizeof line, p) != nullptr) hash = line;
  if (p != nullptr) pclose(p);
  while (!hash.empty() && hash.back() == '\n') hash.pop_back();
  return hash;
}

class DeploymentEndToEnd : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // The namespaces come first: Qt's threads then share them.
    const bool isolated =
        vk::testing::EnterPrivateNamespaces({"/opt", "/etc/systemd/system", "/var/lib", "/usr/local/sbin", "/root"});
    static int argc = 1;
    static char name[] = "deployment_e2e_test";
    static char* argv[] = {name, nullptr};
    application_ = new QApplication(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Corvalline"));
    QCoreApplication::setApplicationName(QStringLiteral("ViewKeeper"));
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
  }
  static void TearDownTestSuite() {
    if (sshd_ != nullptr && fs::exists("/etc/systemd/system/viewkeeper.service")) {
      vk::testing::RunShell("/usr/local/sbin/systemctl stop viewkeeper.service >/dev/null 2>&1");
    }
    delete sshd_;
    sshd_ = nullptr;
    delete application_;
    if (!folder_.empty()) fs::remove_all(folder_);
  }
  void SetUp() override {
    if (sshd_ == nullptr || !sshd_->Ready()) GTEST_SKIP() << "no private namespaces, openssl or sshd here";
    setenv("XDG_CONFIG_HOME", folder_.c_str(), 1);
    WriteText(KnownHosts(), sshd_->KnownHostsLine(sshd_->HostKey().publicLine) + "\n" +
                                "[localhost]:" + std::to_string(sshd_->Port()) + " " +
                                sshd_->HostKey().publicLine.substr(0, sshd_->HostKey().publicLine.rfind(' ')) + "\n");
    vk::ssh::SshTarget base;
    base.port = sshd_->Port();
    base.configFile = "none";
    base.knownHostsFile = KnownHosts();
    base.user = "root";
    commands_ = std::make_unique<cVkServiceCommands>(nullptr, std::u16string(u"" BIN_DIR "/"), base);
  }

  static std::string KnownHosts() { return folder_ + "/known_hosts"; }
  static bool AgentRunning() {
    std::string pid = ReadFileText("/run/vk-systemctl/pid");
    while (!pid.empty() && pid.back() == '\n') pid.pop_back();
    std::error_code ec;
    return !pid.empty() && fs::read_symlink("/proc/" + pid + "/exe", ec) == "/opt/viewkeeper/deskagent";
  }

  // Runs the wizard for 127.0.0.1 with root's account and `password`; the
  // page it ends on.
  int RunWizard(cVkDeploymentWizard& wizard, const QString& password) {
    wizard.show();
    wizard.Welcome()->ComputerField()->setText(QStringLiteral("127.0.0.1"));
    wizard.next();
    cVkLogonPage* logon = wizard.LogonPage();
    if (!logon->AlternateBox()->isChecked()) logon->AlternateBox()->click();
    logon->UserField()->setText(QStringLiteral("root"));
    logon->PasswordField()->setText(password);
    wizard.next();
    return wizard.currentId();
  }

  // Runs `step` on the wizard once it is the modal window.
  static void WhenWizardOpens(std::function<void(cVkDeploymentWizard&)> step) {
    QTimer::singleShot(20, [step] {
      auto* wizard = qobject_cast<cVkDeploymentWizard*>(QApplication::activeModalWidget());
      if (wizard == nullptr) return WhenWizardOpens(step);
      step(*wizard);
    });
  }

  static QApplication* application_;
  static vk::testing::TestSshd* sshd_;
  static std::string folder_;
  std::unique_ptr<cVkServiceCommands> commands_;
};
QApplication* DeploymentEndToEnd::application_ = nullptr;
vk::testing::TestSshd* DeploymentEndToEnd::sshd_ = nullptr;
std::string DeploymentEndToEnd::folder_;

TEST_F(DeploymentEndToEnd, WizardInstallsWithTheGivenAccountAndOpensTheViewerWithIt) {
  auto deploy = [this](const std::u16string& computer, const cVkWizardLogon& logon) {
    return commands_->DeployFromWizard(computer, logon);
  };
  {
    // A wrong password: the error dialog, the stop box, and the page stays.
    ModalCloser closer;
    cVkDeploymentWizard wizard(nullptr, QString(), deploy);
    EXPECT_EQ(RunWizard(wizard, QStringLiteral("wrong")), cVkDeploymentWizard::kLogon);
    EXPECT_TRUE(closer.Saw(QStringLiteral("Error installing the ViewKeeper service on computer '127.0.0.1'.")))
        << closer.Seen().join('\n').toStdString();
    EXPECT_TRUE(
        closer.Saw(QStringLiteral("The installation of the ViewKeeper service on computer '127.0.0.1' has "
                                  "failed.")));
    EXPECT_FALSE(fs::exists("/opt/viewkeeper/deskagent"));
  }

  std::u16string openedFor, openedUser, openedPassword;
  commands_->SetViewerOpener(
      [&](const std::u16string& computer, const std::u16string& user, const std::u16string& password) {
        openedFor = computer;
        openedUser = user;
        openedPassword = password;
      });
  // The wizard as the command runs it: modal, then the viewer.
  ModalCloser closer;
  int endPage = -1;
  WhenWizardOpens([&](cVkDeploymentWizard& wizard) {
    wizard.Welcome()->ShowAtStartBox()->setChecked(false);
    endPage = RunWizard(wizard, QString::fromLatin1(kPassword));
    wizard.accept();
  });
  EXPECT_TRUE(commands_->RunWizard(QString()));
  ASSERT_EQ(endPage, cVkDeploymentWizard::kComplete) << closer.Seen().join('\n').toStdString();
  EXPECT_TRUE(AgentRunning());
  EXPECT_EQ(ReadFileText("/opt/viewkeeper/deskagent"), ReadFileText(std::string(BIN_DIR) + "/deskagent"));
  EXPECT_EQ(openedFor, u"127.0.0.1");
  EXPECT_EQ(openedUser, u"root");
  EXPECT_EQ(openedPassword, u"Secret-42");
  EXPECT_EQ(QSettings().value(QStringLiteral("MainWnd/ShowWizard")).toInt(), 0);
}

TEST_F(DeploymentEndToEnd, ConfigurationAndSecurityTravelThroughTheForward) {
  ModalCloser closer;
  commands_->Connector().SetLogon(u"127.0.0.1", u"root",
                                  u""
                                  "Secret-42");
  commands_->Connector().SetLogon(u"localhost", u"root",
                                  u""
                                  "Secret-42");
  if (!AgentRunning()) {
    ASSERT_EQ(commands_->Install({u"127.0.0.1"}, u"/opt/viewkeeper/").failed.size(), 0u)
        << closer.Seen().join('\n').toStdString();
  }
  if (!fs::exists("/etc/systemd/system/viewkeeper.service.d/display-name.conf"))
    GTEST_SKIP() << "this deskagent does not start its configuration RPC listener";

  cOrkLog log;
  log.SetMemLogMask(LOG_ALL);
  cVkQtOperator& questions = commands_->Operator();
  uint32_t modeSeen = 0;
  ASSERT_EQ(VkConfigureComputer(
                log, commands_->Manager(), u"127.0.0.1",
                [&](cVkServiceSettings& settings) {
                  modeSeen = settings.GetTray()->notificationMode;
                  cVkServiceSettingsTray tray;
                  tray.notificationMode = NOTIFY_QUESTION;
                  settings.SetParts(*settings.GetConnection(), *settings.GetInput(), *settings.GetScreen(), tray);
                  return true;
                },
                questions),
            0)
      << closer.Seen().join('\n').toStdString();
  EXPECT_EQ(modeSeen, NOTIFY_SILENT);
  // Read back from the agent, and from the file it saved.
  ASSERT_EQ(VkConfigureComputer(
                log, commands_->Manager(), u"127.0.0.1",
                [&](cVkServiceSettings& settings) {
                  modeSeen = settings.GetTray()->notificationMode;
                  return false;
                },
                questions),
            kVkEditCancelled);
  EXPECT_EQ(modeSeen, NOTIFY_QUESTION);
  VkRegisterSettingsClasses();
  cVkServiceSettings saved;
  ASSERT_EQ(saved.LoadFromFile(u"/opt/viewkeeper/Settings.dat"), 0);
  EXPECT_EQ(saved.GetTray()->notificationMode, NOTIFY_QUESTION);

  // Two names of the one agent: both read, the same lists, both written.
  VkAccountList administrators;
  cVkSecurityFlowResult flow = VkEditSecurityOnComputers(
      log, commands_->Manager(), {u"127.0.0.1", u"localhost"},
      [&](cVkServiceSecurity& security) {
        administrators = security.GetAdministrators();
        security.SetLists(security.GetAdministrators(), {u"root"}, {});
        return true;
      },
      questions);
  EXPECT_TRUE(flow.readFailed.empty());
  EXPECT_EQ(flow.written, (std::vector<std::u16string>{u"127.0.0.1", u"localhost"}));
  EXPECT_FALSE(administrators.empty());
  flow = VkEditSecurityOnComputers(
      log, commands_->Manager(), {u"localhost"},
      [&](cVkServiceSecurity& security) {
        EXPECT_EQ(security.GetOperators(), VkAccountList{u"root"});
        EXPECT_TRUE(security.GetUsers().empty());
        return false;
      },
      questions);
  EXPECT_FALSE(flow.edited);

  cVkFlowResult removed = commands_->Remove({u"127.0.0.1"});
  EXPECT_TRUE(removed.failed.empty()) << closer.Seen().join('\n').toStdString();
  EXPECT_FALSE(AgentRunning());
}

}  // namespace
