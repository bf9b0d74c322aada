// The configuration sheet, the security dialog, the service setup dialog,
// the deployment wizard and the host-key question, offscreen and driven as
// the operator drives them: texts, enabling, conversions, validation
// messages, and values out of range from an agent.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSlider>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <random>

#include "common/security_lists/service_security.h"
#include "common/settings/service_settings.h"
#include "console/ui/config/connection_page.h"
#include "console/ui/config/deployment_wizard.h"
#include "console/ui/config/host_key_dialog.h"
#include "console/ui/config/input_page.h"
#include "console/ui/config/notification_page.h"
#include "console/ui/config/screen_page.h"
#include "console/ui/config/security_dialog.h"
#include "console/ui/config/service_setup_dialog.h"
#include "console/ui/config/settings_sheet.h"
#include "platform/core/text.h"

namespace {

namespace fs = std::filesystem;

// Answers the next message box that opens with the button of `role` and
// keeps its text.
class BoxAnswer {
 public:
  explicit BoxAnswer(QMessageBox::StandardButton button) : button_(button) { Poll(); }
  bool Seen() const { return seen_; }
  const QString& Text() const { return text_; }

 private:
  void Poll() {
    QTimer::singleShot(10, [this] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr) return Poll();
      seen_ = true;
      text_ = box->text();
      QAbstractButton* button = box->button(button_);
      if (button == nullptr) button = box->defaultButton();
      if (button == nullptr && !box->buttons().isEmpty()) button = box->buttons().first();
      button->click();
    });
  }
  QMessageBox::StandardButton button_;
  bool seen_ = false;
  QString text_;
};

void Type(QLineEdit* field, const QString& text) {
  field->setFocus();
  field->selectAll();
  QTest::keyClick(field, Qt::Key_Delete);
  QTest::keyClicks(field, text);
}

class ConfigDialogs : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static int argc = 1;
    static char name[] = "config_dialogs_test";
    static char* argv[] = {name, nullptr};
    application_ = new QApplication(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Corvalline"));
    QCoreApplication::setApplicationName(QStringLiteral("ViewKeeper"));
  }
  static void TearDownTestSuite() { delete application_; }
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("vk-config-ui-" + std::to_string(std::random_device{}()));
    fs::create_directories(dir_);
    setenv("XDG_CONFIG_HOME", dir_.c_str(), 1);
    QSettings().clear();
  }
  void TearDown() override { fs::remove_all(dir_); }

  static QApplication* application_;
  fs::path dir_;
};
QApplication* ConfigDialogs::application_ = nullptr;

TEST_F(ConfigDialogs, ScreenPageShowsSecondsAndStoresMilliseconds) {
  cVkScreenPage page(nullptr);
  cVkServiceSettingsScreen screen;
  screen.fullRefreshInterval = 2500;
  screen.foregroundRefreshInterval = 1000;
  screen.captureInterval = 40;
  screen.compressionLevel = 3;
  page.Load(screen);
  EXPECT_TRUE(page.FullRefreshBox()->isChecked());
  EXPECT_EQ(page.FullRefreshField()->text(), QStringLiteral("2.5"));
  EXPECT_EQ(page.ForegroundRefreshField()->text(), QStringLiteral("1"));
  EXPECT_EQ(page.SendIntervalField()->text(), QStringLiteral("40"));
  EXPECT_EQ(page.LevelSlider()->value(), 3);
  EXPECT_EQ(page.FullRefreshField()->maxLength(), 5);
  EXPECT_EQ(page.SendIntervalField()->maxLength(), 7);

  Type(page.FullRefreshField(), QStringLiteral("0.5"));
  page.ForegroundRefreshBox()->click();
  EXPECT_FALSE(page.ForegroundRefreshField()->isEnabled());
  Type(page.SendIntervalField(), QStringLiteral("250"));
  page.LevelSlider()->setValue(9);
  page.Store(screen);
  EXPECT_EQ(screen.fullRefreshInterval, 500);
  EXPECT_EQ(screen.foregroundRefreshInterval, -1);
  EXPECT_EQ(screen.captureInterval, 250);
  EXPECT_EQ(screen.compressionLevel, 9);

  // Checking a box with an empty field fills in the stored value, or the
  // default while the interval is off.
  page.Load(screen);
  EXPECT_FALSE(page.ForegroundRefreshBox()->isChecked());
  EXPECT_TRUE(page.ForegroundRefreshField()->text().isEmpty());
  page.ForegroundRefreshBox()->click();
  EXPECT_TRUE(page.ForegroundRefreshField()->isEnabled());
  EXPECT_EQ(page.ForegroundRefreshField()->text(), QStringLiteral("1"));
  page.FullRefreshBox()->click();
  page.FullRefreshField()->clear();
  page.FullRefreshBox()->click();
  EXPECT_EQ(page.FullRefreshField()->text(), QStringLiteral("0.5"));
  // A field that is no number keeps the interval it had.
  Type(page.FullRefreshField(), QStringLiteral("."));
  page.Store(screen);
  EXPECT_EQ(screen.fullRefreshInterval, 500);
  EXPECT_EQ(screen.foregroundRefreshInterval, 1000);

  // Letters do not get into the fields.
  Type(page.SendIntervalField(), QStringLiteral("1x5"));
  EXPECT_EQ(page.SendIntervalField()->text(), QStringLiteral("15"));
}

TEST_F(ConfigDialogs, ValuesOutOfRangeOpenSaneAndStayUntilEdited) {
  cVkServiceSettings settings;
  cVkServiceSettingsScreen screen;
  screen.fullRefreshInterval = -7;
  screen.foregroundRefreshInterval = 0;
  screen.captureInterval = 0;
  screen.compressionLevel = 12;
  cVkServiceSettingsConnection connection;
  connection.updateMode = 9;
  connection.updatePort = 0;
  cVkServiceSettingsTray tray;
  tray.notificationMode = 7;
  settings.SetParts(connection, *settings.GetInput(), screen, tray);

  cVkSettingsSheet sheet(nullptr, QStringLiteral("pc1"));
  sheet.Load(settings);
  cVkScreenPage* page = sheet.ScreenPage();
  EXPECT_FALSE(page->FullRefreshBox()->isChecked());
  EXPECT_FALSE(page->ForegroundRefreshBox()->isChecked());
  EXPECT_TRUE(page->SendIntervalField()->text().isEmpty());
  EXPECT_EQ(page->LevelSlider()->value(), 6);
  for (uint16_t mode : {1, 2, 3}) EXPECT_FALSE(sheet.ConnectionPage()->ModeButton(0, mode)->isChecked());
  for (uint32_t mode : {1, 2, 3, 4}) EXPECT_FALSE(sheet.NotificationPage()->ModeButton(mode)->isChecked());

  sheet.Store(settings);
  EXPECT_EQ(settings.GetScreen()->fullRefreshInterval, -7);
  EXPECT_EQ(settings.GetScreen()->foregroundRefreshInterval, 0);
  EXPECT_EQ(settings.GetScreen()->captureInterval, 0);
  EXPECT_EQ(settings.GetScreen()->compressionLevel, 12);
  EXPECT_EQ(settings.GetConnection()->updateMode, 9);
  EXPECT_EQ(settings.GetTray()->notificationMode, 7u);

  // What the operator edits is stored, within range.
  page->FullRefreshBox()->click();
  EXPECT_EQ(page->FullRefreshField()->text(), QStringLiteral("5"));
  Type(page->SendIntervalField(), QStringLiteral("0"));
  sheet.NotificationPage()->ModeButton(NOTIFY_QUESTION)->click();
  sheet.ConnectionPage()->ModeButton(0, CONNECTION_NORMAL)->click();
  sheet.Store(settings);
  EXPECT_EQ(settings.GetScreen()->fullRefreshInterval, 5000);
  EXPECT_EQ(settings.GetScreen()->captureInterval, 0) << "0 ms is refused: the interval stays as it was";
  EXPECT_EQ(settings.GetTray()->notificationMode, NOTIFY_QUESTION);
  EXPECT_EQ(settings.GetConnection()->updateMode, CONNECTION_NORMAL);
  EXPECT_EQ(settings.GetConnection()->updatePort, 48384);
}

TEST_F(ConfigDialogs, ConnectionPageFillsAndResetsPorts) {
  cVkConnectionPage page(nullptr);
  cVkServiceSettingsConnection connection;
  connection.updateMode = CONNECTION_DISABLED;
  connection.updatePort = 0;
  connection.inputMode = CONNECTION_NORMAL;
  connection.inputPort = 5901;
  page.Load(connection);
  EXPECT_TRUE(page.ModeButton(0, CONNECTION_DISABLED)->isChecked());
  EXPECT_TRUE(page.PortField(0)->text().isEmpty());
  EXPECT_EQ(page.PortField(1)->text(), QStringLiteral("5901"));
  EXPECT_FALSE(page.ModeButton(0, CONNECTION_SECURE)->isEnabled());
  EXPECT_FALSE(page.ModeButton(1, CONNECTION_SECURE)->isEnabled());

  page.ModeButton(0, CONNECTION_NORMAL)->click();
  EXPECT_EQ(page.PortField(0)->text(), QStringLiteral("48384"));
  Type(page.PortField(1), QStringLiteral("70000"));
  EXPECT_EQ(page.PortField(1)->text(), QStringLiteral("48386"));
  Type(page.PortField(1), QStringLiteral("65535"));
  EXPECT_EQ(page.PortField(1)->text(), QStringLiteral("65535"));
  page.Store(connection);
  EXPECT_EQ(connection.updateMode, CONNECTION_NORMAL);
  EXPECT_EQ(connection.updatePort, 48384);
  EXPECT_EQ(connection.inputPort, 65535);

  // "Disabled" stores the default port; a port 0 typed in is refused.
  page.Load(connection);
  page.ModeButton(1, CONNECTION_DISABLED)->click();
  EXPECT_FALSE(page.PortField(1)->isEnabled());
  Type(page.PortField(0), QStringLiteral("0"));
  page.Store(connection);
  EXPECT_EQ(connection.inputMode, CONNECTION_DISABLED);
  EXPECT_EQ(connection.inputPort, 48386);
  EXPECT_EQ(connection.updatePort, 48384);
}

TEST_F(ConfigDialogs, InputFlagsAndNotificationModes) {
  cVkInputPage input(nullptr);
  cVkServiceSettingsInput flags;
  flags.inputFlags = INPUT_ALLOW_KEYBOARD | INPUT_DISABLE_LOCAL_MOUSE | 0x100;
  input.Load(flags);
  EXPECT_TRUE(input.Box(INPUT_ALLOW_KEYBOARD)->isChecked());
  EXPECT_FALSE(input.Box(INPUT_ALLOW_CTRL_ALT_DEL)->isChecked());
  EXPECT_TRUE(input.Box(INPUT_DISABLE_LOCAL_MOUSE)->isChecked());
  EXPECT_EQ(input.Box(INPUT_ALLOW_CTRL_ALT_DEL)->text(), QStringLiteral("Allow Ctrl-Alt-Delete"));
  input.Box(INPUT_ALLOW_KEYBOARD)->click();
  input.Box(INPUT_ALLOW_MOUSE)->click();
  input.Store(flags);
  EXPECT_EQ(flags.inputFlags, INPUT_ALLOW_MOUSE | INPUT_DISABLE_LOCAL_MOUSE | 0x100u);

  cVkNotificationPage notification(nullptr);
  cVkServiceSettingsTray tray;
  tray.notificationMode = NOTIFY_WARNING;
  notification.Load(tray);
  EXPECT_TRUE(notification.ModeButton(NOTIFY_WARNING)->isChecked());
  EXPECT_EQ(notification.ModeButton(NOTIFY_QUESTION)->text(), QStringLiteral("Ask"));
  notification.ModeButton(NOTIFY_SILENT)->click();
  notification.Store(tray);
  EXPECT_EQ(tray.notificationMode, NOTIFY_SILENT);
  EXPECT_TRUE(notification.findChildren<QLabel*>().size() >= 5);
}

TEST_F(ConfigDialogs, SheetCaptionAndPagesInOrder) {
  cVkSettingsSheet sheet(nullptr, QStringLiteral("PC7"));
  EXPECT_EQ(sheet.windowTitle(), QStringLiteral("Configuration settings for the service on computer: PC7"));
  ASSERT_EQ(sheet.Tabs()->count(), 4);
  const char* names[] = {"Screen", "Connection", "Input", "Notification"};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(sheet.Tabs()->tabText(i), QString::fromLatin1(names[i]));
  bool artifects = false;
  for (QLabel* label : sheet.findChildren<QLabel*>()) artifects = artifects || label->text().contains("'artifects'");
  EXPECT_TRUE(artifects);
}

TEST_F(ConfigDialogs, SecurityDialogJoinsSplitsAndAsksAboutBlankFields) {
  cVkServiceSecurity security({u"root", u"Domain Admins"}, {u"ops"}, {u"a", u"", u"b"});
  cVkSecurityDialog dialog(nullptr);
  dialog.Load(security);
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Service security settings"));
  EXPECT_EQ(dialog.Field(0)->text(), QStringLiteral("root,Domain Admins"));
  EXPECT_EQ(dialog.Field(2)->text(), QStringLiteral("a,,b"));
  EXPECT_TRUE(dialog.OkButton()->isEnabled());
  for (int i = 0; i < 3; ++i) dialog.Field(i)->clear();
  EXPECT_FALSE(dialog.OkButton()->isEnabled());

  // Names are kept as typed.
  Type(dialog.Field(0), QStringLiteral(" Alice Smith ,bob"));
  EXPECT_TRUE(dialog.OkButton()->isEnabled());
  dialog.show();
  {
    BoxAnswer no(QMessageBox::No);
    dialog.OkButton()->click();
    EXPECT_TRUE(no.Seen());
    EXPECT_EQ(no.Text(), QStringLiteral("One or more of the fields are left blank. Are you sure that you want to "
                                        "update the service security settings?"));
  }
  EXPECT_TRUE(dialog.isVisible()) << "No keeps the dialog open";
  EXPECT_EQ(dialog.result(), 0);
  {
    BoxAnswer yes(QMessageBox::Yes);
    dialog.OkButton()->click();
    EXPECT_TRUE(yes.Seen());
  }
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  dialog.Store(security);
  EXPECT_EQ(security.GetAdministrators(), (VkAccountList{u" Alice Smith ", u"bob"}));
  EXPECT_TRUE(security.GetOperators().empty());
  EXPECT_TRUE(security.GetUsers().empty());

  // All fields filled: no question.
  cVkSecurityDialog full(nullptr);
  full.Load(cVkServiceSecurity({u"a"}, {u"b"}, {u"c"}));
  full.show();
  full.OkButton()->click();
  EXPECT_EQ(full.result(), QDialog::Accepted);
}

TEST_F(ConfigDialogs, ServiceSetupRunsTheFlowsOnTheNamesOfItsField) {
  std::vector<std::u16string> installed, removed;
  std::u16string directory;
  int helps = 0;
  cVkServiceSetupActions actions;
  actions.install = [&](const std::vector<std::u16string>& names, const std::u16string& folder) {
    installed = names;
    directory = folder;
  };
  actions.remove = [&](const std::vector<std::u16string>& names) { removed = names; };
  actions.help = [&] { ++helps; };
  cVkServiceSetupDialog dialog(nullptr, {QStringLiteral("pc1"), QStringLiteral("pc2")},
                               QStringLiteral("/opt/viewkeeper/"), actions);
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("ViewKeeper - Service Setup"));
  EXPECT_EQ(dialog.ComputersField()->text(), QStringLiteral("pc1,pc2"));
  EXPECT_EQ(dialog.DirectoryField()->text(), QStringLiteral("/opt/viewkeeper/"));
  EXPECT_EQ(dialog.InstallButton()->text(), QStringLiteral("&Install/Upgrade"));
  Type(dialog.DirectoryField(), QStringLiteral("/srv/vk/"));
  dialog.show();
  dialog.InstallButton()->click();
  EXPECT_EQ(installed, (std::vector<std::u16string>{u"pc1", u"pc2"}));
  EXPECT_EQ(directory, u"/srv/vk/");
  EXPECT_TRUE(dialog.isVisible()) << "the dialog stays open";
  Type(dialog.ComputersField(), QStringLiteral("pc3"));
  dialog.RemoveButton()->click();
  EXPECT_EQ(removed, std::vector<std::u16string>{u"pc3"});
  dialog.HelpButton()->click();
  EXPECT_EQ(helps, 1);
  Type(dialog.ComputersField(), QStringLiteral(" , "));
  EXPECT_FALSE(dialog.InstallButton()->isEnabled());
  EXPECT_FALSE(dialog.RemoveButton()->isEnabled());
}

TEST_F(ConfigDialogs, WizardValidatesItsPagesAndDeploysOnNext) {
  QSettings().setValue(QStringLiteral("MainWnd/ShowWizard"), 0);
  std::vector<std::pair<std::u16string, cVkWizardLogon>> deployed;
  int32_t answer = 5;
  cVkDeploymentWizard wizard(nullptr, QString(), [&](const std::u16string& computer, const cVkWizardLogon& logon) {
    deployed.emplace_back(computer, logon);
    return answer;
  });
  EXPECT_EQ(wizard.windowTitle(), QStringLiteral("Welcome to ViewKeeper"));
  EXPECT_FALSE(wizard.Welcome()->ShowAtStartBox()->isChecked());
  wizard.show();
  {
    BoxAnswer ok(QMessageBox::Ok);
    wizard.next();
    EXPECT_EQ(ok.Text(),
              QStringLiteral("Please specify the name of the computer that you want to monitor or control."));
  }
  EXPECT_EQ(wizard.currentId(), cVkDeploymentWizard::kWelcome);
  Type(wizard.Welcome()->ComputerField(), QStringLiteral("pc1"));
  wizard.next();
  ASSERT_EQ(wizard.currentId(), cVkDeploymentWizard::kLogon);
  cVkLogonPage* logon = wizard.LogonPage();
  EXPECT_EQ(logon->NextLine()->text(),
            QStringLiteral("Click 'Next' to remote deploy an ViewKeeper agent to computer pc1"));
  EXPECT_FALSE(logon->UserField()->isEnabled());
  EXPECT_EQ(logon->PasswordField()->echoMode(), QLineEdit::Password);

  logon->AlternateBox()->click();
  EXPECT_TRUE(logon->UserField()->isEnabled());
  {
    BoxAnswer ok(QMessageBox::Ok);
    wizard.next();
    EXPECT_EQ(ok.Text(), QStringLiteral("Please specify the username that you wish to use to logon with."));
  }
  Type(logon->UserField(), QStringLiteral("vkadmin"));
  {
    BoxAnswer ok(QMessageBox::Ok);
    wizard.next();
    EXPECT_EQ(ok.Text(), QStringLiteral("Please enter the password for the specified username."));
  }
  EXPECT_TRUE(deployed.empty());
  Type(logon->PasswordField(), QStringLiteral("Secret-42"));
  // A failed install keeps the page.
  wizard.next();
  ASSERT_EQ(deployed.size(), 1u);
  EXPECT_EQ(deployed[0].first, u"pc1");
  EXPECT_TRUE(deployed[0].second.alternate);
  EXPECT_EQ(deployed[0].second.user, u"vkadmin");
  EXPECT_EQ(deployed[0].second.password, u"Secret-42");
  EXPECT_EQ(wizard.currentId(), cVkDeploymentWizard::kLogon);
  answer = 0;
  wizard.next();
  ASSERT_EQ(wizard.currentId(), cVkDeploymentWizard::kComplete);
  EXPECT_EQ(wizard.Complete()->DoneLine()->text(),
            QStringLiteral("The remote deployment of the ViewKeeper agent to computer pc1 has completed successfully. "
                           "You are now in control of the remote computer."));
  wizard.back();
  EXPECT_EQ(wizard.currentId(), cVkDeploymentWizard::kLogon);

  cVkDeploymentWizard::StoreShowAtStart(true);
  EXPECT_TRUE(cVkDeploymentWizard::ShowAtStart());
  EXPECT_EQ(QSettings().value(QStringLiteral("MainWnd/ShowWizard")).toInt(), 1);
}

TEST_F(ConfigDialogs, HostKeyQuestionShowsTheFingerprintAndAcceptsOrRefuses) {
  const QString fingerprint = QStringLiteral("SHA256:47DEQpj8HBSa+/TImW+5JCeuQeRkm5NMpJWZG3hSuFU");
  cVkHostKeyDialog dialog(nullptr, QStringLiteral("[127.0.0.1]:2222"), QStringLiteral("ssh-ed25519"), fingerprint);
  EXPECT_EQ(dialog.text(), QStringLiteral("The authenticity of host '[127.0.0.1]:2222' can't be established."));
  EXPECT_TRUE(dialog.informativeText().contains(fingerprint));
  EXPECT_TRUE(dialog.informativeText().startsWith(QStringLiteral("SSH-ED25519 key fingerprint is")));

  for (const char* name : {"accept", "refuse"}) {
    QTimer::singleShot(10, [name] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box != nullptr) box->findChild<QPushButton*>(QString::fromLatin1(name))->click();
    });
    const bool accepted =
        cVkHostKeyDialog::Ask(nullptr, QStringLiteral("pc1"), QStringLiteral("ssh-ed25519"), fingerprint);
    EXPECT_EQ(accepted, std::string(name) == "accept");
  }
}

}  // namespace
