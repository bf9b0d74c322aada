// Shows each configuration, deployment and browse dialog in turn on the X display
// and photographs the screen with ImageMagick's `import -window root`, for
// the manual and for looking at them as a person would:
//   Xvfb :N & DISPLAY=:N console_dialog_gallery OUTPUT_FOLDER
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QDir>
#include <QProcess>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <cstdio>

#include "common/security_lists/service_security.h"
#include "common/settings/service_settings.h"
#include "console/browse/directory_logon_dialog.h"
#include "console/browse/item_name_dialog.h"
#include "console/ui/config/connection_page.h"
#include "console/ui/config/deployment_wizard.h"
#include "console/ui/config/host_key_dialog.h"
#include "console/ui/config/security_dialog.h"
#include "console/ui/config/service_setup_dialog.h"
#include "console/ui/config/settings_sheet.h"
#include "console/ui/progress_dialog.h"

namespace {

bool Photograph(QWidget& window, const QString& folder, const QString& name) {
  window.move(20, 20);
  window.show();
  window.raise();
  for (int i = 0; i < 20; ++i) QTest::qWait(25);
  const QString path = folder + QStringLiteral("/") + name + QStringLiteral(".png");
  const int rc = QProcess::execute(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"), path});
  window.hide();
  std::printf("%s %s\n", rc == 0 ? "wrote" : "FAILED", path.toLocal8Bit().constData());
  return rc == 0;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: console_dialog_gallery OUTPUT_FOLDER\n");
    return 2;
  }
  const QString folder = QString::fromLocal8Bit(argv[1]);
  QDir().mkpath(folder);
  bool ok = true;

  cVkServiceSettings settings;
  cVkServiceSettingsScreen screen;
  screen.fullRefreshInterval = 2500;
  settings.SetParts(*settings.GetConnection(), *settings.GetInput(), screen, *settings.GetTray());
  cVkSettingsSheet sheet(nullptr, QStringLiteral("pc1"));
  sheet.Load(settings);
  const char* pages[] = {"sheet-screen", "sheet-connection", "sheet-input", "sheet-notification"};
  for (int i = 0; i < 4; ++i) {
    sheet.Tabs()->setCurrentIndex(i);
    ok = Photograph(sheet, folder, QString::fromLatin1(pages[i])) && ok;
  }

  cVkSecurityDialog security(nullptr);
  security.Load(cVkServiceSecurity({u"Administrators"}, {u"helpdesk", u"alice"}, {}));
  ok = Photograph(security, folder, QStringLiteral("security")) && ok;

  cVkServiceSetupDialog setup(nullptr, {QStringLiteral("pc1"), QStringLiteral("pc2")},
                              QStringLiteral("/opt/viewkeeper/"), {});
  ok = Photograph(setup, folder, QStringLiteral("service-setup")) && ok;

  cVkDeploymentWizard wizard(nullptr, QStringLiteral("pc1"),
                             [](const std::u16string&, const cVkWizardLogon&) { return 0; });
  wizard.resize(620, 480);
  ok = Photograph(wizard, folder, QStringLiteral("wizard-welcome")) && ok;
  wizard.show();
  wizard.next();
  wizard.LogonPage()->AlternateBox()->click();
  wizard.LogonPage()->UserField()->setText(QStringLiteral("admin"));
  wizard.LogonPage()->PasswordField()->setText(QStringLiteral("password"));
  ok = Photograph(wizard, folder, QStringLiteral("wizard-logon")) && ok;
  wizard.show();
  wizard.next();
  ok = Photograph(wizard, folder, QStringLiteral("wizard-complete")) && ok;

  cVkHostKeyDialog hostKey(nullptr, QStringLiteral("[pc1]:22"), QStringLiteral("ssh-ed25519"),
                           QStringLiteral("SHA256:47DEQpj8HBSa+/TImW+5JCeuQeRkm5NMpJWZG3hSuFU"));
  ok = Photograph(hostKey, folder, QStringLiteral("host-key")) && ok;

  // A run over several computers, with its Cancel button.
  cVkProgressDialog progress(nullptr);
  progress.SetOperation(QStringLiteral("Please Wait... Installing the ViewKeeper service on computer 'pc1'."));
  progress.ShowProgress(u"Progress: Copying file 'deskagent' to 'pc1'.");
  progress.OfferCancel();
  ok = Photograph(progress, folder, QStringLiteral("progress-cancel")) && ok;

  // The browse tree's entry dialogs.
  cVkItemNameDialog itemName(nullptr, QStringLiteral("Branch office"));
  ok = Photograph(itemName, folder, QStringLiteral("item-name")) && ok;
  cVkDirectoryLogonDialog directoryLogon(nullptr);
  ok = Photograph(directoryLogon, folder, QStringLiteral("directory-logon")) && ok;
  return ok ? 0 : 1;
}
