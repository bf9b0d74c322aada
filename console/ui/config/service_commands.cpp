#include "console/ui/config/service_commands.h"

#include <QCheckBox>

#include "common/security_lists/service_security.h"
#include "common/settings/service_settings.h"
#include "console/ui/admin_run.h"
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

// Runs `flow` off the user-interface thread and answers its result.
template <class Result>
Result OffUiThread(const std::function<Result()>& flow) {
  Result result{};
  VkRunOffUiThread([&] {
    result = flow();
    return 0;
  });
  return result;
}

}  // namespace

cVkServiceCommands::cVkServiceCommands(QWidget* parent, std::u16string programFolder, cVkAgentManager& manager,
                                       cVkCredentialConnector& connector, cVkOperatorQuestions& questions)
    : parent_(parent),
      programFolder_(std::move(programFolder)),
      manager_(manager),
      connector_(connector),
      questions_(questions) {}

int32_t cVkServiceCommands::PrepareFiles(cOrkLog& log) {
  if (!manager_.ServiceFiles().FileNames().empty()) return 0;
  return manager_.InitServiceFiles(log, programFolder_);
}

int32_t cVkServiceCommands::Configure(const std::u16string& computer) {
  CommandLog log;
  const QString name = ToQString(computer);
  auto edit = [this, &name](cVkServiceSettings& settings) {
    bool accepted = false;
    VkOnUiThread([&] { accepted = cVkSettingsSheet::Edit(parent_, name, settings); });
    return accepted;
  };
  return OffUiThread<int32_t>([&] { return VkConfigureComputer(log, manager_, computer, edit, questions_); });
}

cVkSecurityFlowResult cVkServiceCommands::EditSecurity(const std::vector<std::u16string>& computers) {
  CommandLog log;
  auto edit = [this](cVkServiceSecurity& security) {
    bool accepted = false;
    VkOnUiThread([&] { accepted = cVkSecurityDialog::Edit(parent_, security); });
    return accepted;
  };
  return OffUiThread<cVkSecurityFlowResult>(
      [&] { return VkEditSecurityOnComputers(log, manager_, computers, edit, questions_); });
}

cVkFlowResult cVkServiceCommands::Install(const std::vector<std::u16string>& computers,
                                          const std::u16string& directory) {
  CommandLog log;
  if (int32_t rc = PrepareFiles(log); rc != 0) {
    questions_.ShowErrorDialog(u"An error has occurred while preparing the service files.", rc, log);
    return cVkFlowResult{{}, computers, {}, rc};
  }
  return OffUiThread<cVkFlowResult>([&] {
    std::unique_ptr<cVkProgressWindow> progress = questions_.OpenProgressDialog(u"");
    return VkInstallOnComputers(log, manager_, computers, directory, progress.get(), &questions_);
  });
}

cVkFlowResult cVkServiceCommands::Remove(const std::vector<std::u16string>& computers) {
  CommandLog log;
  if (int32_t rc = PrepareFiles(log); rc != 0) {
    questions_.ShowErrorDialog(u"An error has occurred while preparing the service files.", rc, log);
    return cVkFlowResult{{}, computers, {}, rc};
  }
  return OffUiThread<cVkFlowResult>([&] {
    std::unique_ptr<cVkProgressWindow> progress = questions_.OpenProgressDialog(u"");
    return VkRemoveFromComputers(log, manager_, computers, progress.get(), &questions_);
  });
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
    questions_.ShowErrorDialog(vk::Format(u"Error installing the ViewKeeper service on computer '%s'.", computer), rc,
                               log);
    return rc;
  }
  return OffUiThread<int32_t>(
      [&] { return VkDeployFromWizard(log, manager_, &connector_, computer, logon, questions_); });
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
