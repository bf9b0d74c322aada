// The main frame's service commands ("Install/Remove...", "Installation
// Wizard...", "Configuration...", "Security Settings...") over the console's
// one agent manager, its way to the computers and its operator dialogs. The
// agent operations run off the user-interface thread behind the progress
// dialog; the editors open on the user-interface thread.
#pragma once

#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "console/admin/agent_config_flows.h"
#include "console/admin/agent_manager.h"
#include "console/admin/credential_connector.h"
#include "console/admin/deployment_flows.h"

class cVkServiceCommands {
 public:
  // Opens a viewer; the user name and password are empty unless the wizard
  // was given an account.
  using ViewerOpener =
      std::function<void(const std::u16string& computer, const std::u16string& user, const std::u16string& password)>;

  // `connector` is the manager's way to the computers (the wizard's
  // account goes there); `questions` answer from any thread.
  cVkServiceCommands(QWidget* parent, std::u16string programFolder, cVkAgentManager& manager,
                     cVkCredentialConnector& connector, cVkOperatorQuestions& questions);

  cVkAgentManager& Manager() { return manager_; }
  cVkOperatorQuestions& Questions() { return questions_; }
  cVkCredentialConnector& Connector() { return connector_; }
  void SetViewerOpener(ViewerOpener opener) { openViewer_ = std::move(opener); }
  void SetHelp(std::function<void()> help) { help_ = std::move(help); }

  int32_t Configure(const std::u16string& computer);
  cVkSecurityFlowResult EditSecurity(const std::vector<std::u16string>& computers);
  // The install/remove dialog, modal; it runs the flows itself.
  void ServiceSetup(const QStringList& computers);
  cVkFlowResult Install(const std::vector<std::u16string>& computers, const std::u16string& directory);
  cVkFlowResult Remove(const std::vector<std::u16string>& computers);
  // The wizard, modal; true when it ended with "Finish".
  bool RunWizard(const QString& computer);
  int32_t DeployFromWizard(const std::u16string& computer, const cVkWizardLogon& logon);

 private:
  int32_t PrepareFiles(cOrkLog& log);

  QPointer<QWidget> parent_;
  std::u16string programFolder_;
  cVkAgentManager& manager_;
  cVkCredentialConnector& connector_;
  cVkOperatorQuestions& questions_;
  ViewerOpener openViewer_;
  std::function<void()> help_;
};
