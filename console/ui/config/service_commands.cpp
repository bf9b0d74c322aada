#include "console/ui/config/service_commands.h"

#include <QCheckBox>
#include <thread>

#include "common/security_lists/service_security.h"
#include "common/settings/service_settings.h"
#include "console/admin/deployment_flows.h"
#include "console/ui/config/deployment_wizard.h"
#include "console/ui/config/security_dialog.h"
#include "console/ui/config/service_setup_dialog.h"
#include "console/ui/config/settings_sheet.h"
#include "console/ui/qt_text.h"
#include "log/orklog.h"

namespace {

struct CommandLog : cOrkLog {
  CommandLog() { SetMemLogMask(LOG_ALL); }
};

}  // namespace

cVkServiceCommands::cVkServiceCommands(QWidget* parent, std::u16string programFolder, const vk::ssh::SshTarget& base)
    : parent_(parent), programFolder_(std::move(programFolder)), operator_(parent), connector_(base, &operator_) {
  VkRegisterAdminClasses();
  cVkAdminContext context;
  context.connector = &connector_;
  context.binder = &binder_;
  context.questions = &operator_;
  context.wait = [](uint32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); };
  manager_.SetContext(context);
}

int32_t cVkServiceCommands::PrepareFiles(cOrkLog& log) {
  if (!manager_.ServiceFiles().FileNames().empty()) return 0;
  return manager_.InitServiceFiles(log, programFolder_);
}

int32_t cVkServiceCommands::Configure(const std::u16string& computer) {
  CommandLog log;
  const QString name = ToQString(computer);
  return VkConfigureComputer(
      log, manager_, computer,
      [this, &name](cVkServiceSettings& settings) { return cVkSettingsSheet::Edit(parent_, name, settings); },
      operator_);
}

cVkSecurityFlowResult cVkServiceCommands::EditSecurity(const std::vector<std::u16string>& computers) {
  CommandLog log;
  return VkEditSecurityOnComputers(
      log, manager_, computers,
      [this](cVkServiceSecurity& security) { return cVkSecurityDialog::Edit(parent_, security); }, operator_);
}

cVkFlowResult cVkServiceCommands::Install(const std::vector<std::u16string>& computers,
                                          const std::u16string& directory) {
  CommandLog log;
  if (int32_t rc = PrepareFiles(log); rc != 0) {
    operator_.ShowErrorDialog(u"An error has occurred while preparing the service files.", rc, log);
    return cVkFlowResult{{}, computers, rc};
  }
  std::unique_ptr<cVkProgressWindow> progress = operator_.OpenProgressDialog(u"");
  return VkInstallOnComputers(log, manager_, computers, directory, progress.get(), &operator_);
}

cVkFlowResult cVkServiceCommands::Remove(const std::vector<std::u16string>& computers) {
  CommandLog log;
  if (int32_t rc = PrepareFiles(log); rc != 0) {
    operator_.ShowErrorDialog(u"An error has occurred while preparing the service files.", rc, log);
    return cVkFlowResult{{}, computers, rc};
  }
  std::unique_ptr<cVkProgressWindow> progress = operator_.OpenProgressDialog(u"");
  return VkRemoveFromComputers(log, manager_, computers, progress.get(), &operator_);
}

void cVkServiceCommands::ServiceSetup(const QStringList& computers) {
  cVkServiceSetupActions actions;
  actions.install = [this](const std::vector<std::u16string>& names, const std::u16string& directory) {
    Install(names, directory);
  };
  actions.remove = [this](const std::vector<std::u16string>& names) { Remove(names); };
  actions.help = help_;
  cVkServiceSetupDialog dialog(parent_, computers, ToQString(kVkDefaultInstallDirectory), std::move(actions));
  dialog.exec();
}

int32_t cVkServiceCommands::DeployFromWizard(const std::u16string& computer, const cVkWizardLogon& logon) {
  CommandLog log;
  if (int32_t rc = PrepareFiles(log); rc != 0) {
    operator_.ShowErrorDialog(vk::Format(u"Error installing the ViewKeeper service on computer '%s'.", computer), rc,
                              log);
    return rc;
  }
  return VkDeployFromWizard(log, manager_, &connector_, computer, logon, operator_);
}

bool cVkServiceCommands::RunWizard(const QString& computer) {
  cVkDeploymentWizard wizard(parent_, computer, [this](const std::u16string& name, const cVkWizardLogon& logon) {
    return DeployFromWizard(name, logon);
  });
  const bool finished = wizard.exec() == QDialog::Accepted;
  cVkDeploymentWizard::StoreShowAtStart(wizard.Welcome()->ShowAtStartBox()->isChecked());
  if (!finished) return false;
  const cVkWizardLogon logon = wizard.LogonPage()->Logon();
  if (openViewer_) openViewer_(FromQString(wizard.Computer()), logon.user, logon.password);
  return true;
}
