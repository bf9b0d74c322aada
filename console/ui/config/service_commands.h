// The main frame's service commands ("Install/Remove...", "Installation
// Wizard...", "Configuration...", "Security Settings...") over the agent
// manager, with the console's own SSH identity, host-key question and
// progress and error dialogs.
#pragma once

#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "console/admin/agent_config_flows.h"
#include "console/admin/agent_manager.h"
#include "console/admin/credential_connector.h"
#include "console/admin/deployment_flows.h"
#include "console/admin/ssh_rpc_binder.h"
#include "console/ui/config/qt_operator.h"

class cVkServiceCommands {
 public:
  // Opens a viewer; the user name and password are empty unless the wizard
  // was given an account.
  using ViewerOpener =
      std::function<void(const std::u16string& computer, const std::u16string& user, const std::u16string& password)>;

  // `base` says how SSH sessions go (empty: as `ssh` would for this user).
  cVkServiceCommands(QWidget* parent, std::u16string programFolder, const vk::ssh::SshTarget& base = {});

  cVkAgentManager& Manager() { return manager_; }
  cVkQtOperator& Operator() { return operator_; }
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
  cVkQtOperator operator_;
  cVkCredentialConnector connector_;
  cVkSshRpcBinder binder_;
  cVkAgentManager manager_;
  ViewerOpener openViewer_;
  std::function<void()> help_;
};
