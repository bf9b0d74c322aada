#include "console/admin/agent_config_flows.h"

#include "common/security_lists/service_security.h"
#include "common/settings/service_settings.h"
#include "console/admin/agent_manager.h"
#include "console/admin/credential_connector.h"
#include "console/admin/deployment_flows.h"
#include "console/admin/operator_ui.h"
#include "log/orklog.h"
#include "platform/core/error_codes.h"

namespace {

std::u16string JoinNames(const std::vector<std::u16string>& names) {
  std::u16string joined;
  for (const std::u16string& name : names) joined += (joined.empty() ? u"" : u",") + name;
  return joined;
}

// Between computers: the caller's check or the progress window's Cancel.
bool Cancelled(const VkCancelCheck& cancelled, const cVkProgressWindow* progress) {
  return (cancelled && cancelled()) || VkCancelRequested(progress);
}

template <class T>
int32_t GetObject(cOrkLog& log, cVkAgentManager& manager, const std::u16string& computer, int32_t code,
                  cVkProgressWindow* progress, std::unique_ptr<T>& object) {
  std::unique_ptr<cVkObject> answer;
  int32_t rc = manager.GetData(log, computer, code, nullptr, answer, progress);
  if (rc != 0) return rc;
  object.reset(dynamic_cast<T*>(answer.release()));
  return object != nullptr ? 0 : -1;
}

// Reads every computer's access rights from the last to the first; a
// computer that fails leaves the list.
std::vector<std::pair<std::u16string, std::unique_ptr<cVkServiceSecurity>>> ReadSecurity(
    cOrkLog& log, cVkAgentManager& manager, const std::vector<std::u16string>& computers,
    cVkOperatorQuestions& questions, const VkCancelCheck& cancelled, cVkSecurityFlowResult& flow) {
  std::vector<std::pair<std::u16string, std::unique_ptr<cVkServiceSecurity>>> read;
  std::unique_ptr<cVkProgressWindow> progress = questions.OpenProgressDialog(u"");
  const cVkProgressWindow* cancellable = computers.size() > 1 ? progress.get() : nullptr;
  if (cancellable != nullptr) progress->OfferCancel();
  for (auto it = computers.rbegin(); it != computers.rend(); ++it) {
    if (Cancelled(cancelled, cancellable)) {
      flow.notReached.assign(it, computers.rend());
      break;
    }
    if (progress) {
      progress->SetMainText(
          vk::Format(u"Please Wait... Getting the security settings from the service on computer: %s.\n", *it));
    }
    std::unique_ptr<cVkServiceSecurity> security;
    int32_t rc = GetObject(log, manager, *it, kVkGetSecurity, progress.get(), security);
    if (rc != 0) {
      log.LogMsg(LOG_ERROR, rc,
                 u"An error has occurred while getting the security settings from the service on computer '%s'. "
                 u"Errorcode %ld",
                 *it, rc);
      flow.readFailed.push_back(*it);
      flow.result = rc;
      continue;
    }
    read.emplace_back(*it, std::move(security));
  }
  return read;
}

bool AllSame(const std::vector<std::pair<std::u16string, std::unique_ptr<cVkServiceSecurity>>>& read) {
  for (size_t i = 1; i < read.size(); ++i) {
    if (!VkSameSecurity(*read[i - 1].second, *read[i].second)) return false;
  }
  return true;
}

}  // namespace

bool VkSameSecurity(const cVkServiceSecurity& a, const cVkServiceSecurity& b) {
  return a.GetAdministrators() == b.GetAdministrators() && a.GetOperators() == b.GetOperators() &&
         a.GetUsers() == b.GetUsers();
}

int32_t VkConfigureComputer(cOrkLog& log, cVkAgentManager& manager, const std::u16string& computer,
                            const VkSettingsEditor& edit, cVkOperatorQuestions& questions) {
  std::unique_ptr<cVkServiceSettings> settings;
  std::unique_ptr<cVkProgressWindow> progress = questions.OpenProgressDialog(
      vk::Format(u"Please Wait... Getting the configuration from the ViewKeeper service on computer: %s.", computer));
  int32_t rc = GetObject(log, manager, computer, kVkGetSettings, progress.get(), settings);
  progress.reset();
  if (rc != 0) {
    log.LogMsg(LOG_ERROR, rc,
               u"An error has occurred while getting the service configuration from computer %s. Errorcode %ld.",
               computer, rc);
  } else if (!edit(*settings)) {
    return kVkEditCancelled;
  } else {
    progress = questions.OpenProgressDialog(
        vk::Format(u"Please Wait... Sending the configuration to the ViewKeeper service on computer: %s.", computer));
    rc = manager.SendData(log, computer, kVkSendSettings, settings.get(), progress.get());
    progress.reset();
    if (rc != 0) {
      log.LogMsg(LOG_ERROR, rc,
                 u"An error has occurred while setting the service configuration on computer %s. Errorcode %ld.",
                 computer, rc);
    }
  }
  if (rc != 0) {
    questions.ShowErrorDialog(
        vk::Format(u"An error has occurred while configuring the service on computer %s.", computer), rc, log);
  }
  return rc;
}

cVkSecurityFlowResult VkEditSecurityOnComputers(cOrkLog& log, cVkAgentManager& manager,
                                                const std::vector<std::u16string>& computers,
                                                const VkSecurityEditor& edit, cVkOperatorQuestions& questions,
                                                const VkCancelCheck& cancelled) {
  cVkSecurityFlowResult flow;
  auto read = ReadSecurity(log, manager, computers, questions, cancelled, flow);
  if (!flow.readFailed.empty()) {
    questions.ShowErrorDialog(
        vk::Format(u"An error has occurred while getting the security settings from the service on computers '%s'.",
                   JoinNames(flow.readFailed)),
        flow.result, log);
  }
  // A cancelled read changes nothing.
  if (read.empty() || !flow.notReached.empty()) return flow;
  if (!AllSame(read) &&
      !questions.AskYesNo(u"Warning: The service security settings for the selected services do not match. If you "
                          u"continue all setting will be overwritten. Do you wish to continue?")) {
    return flow;
  }
  cVkServiceSecurity& edited = *read.front().second;
  if (!edit(edited)) return flow;
  flow.edited = true;

  // Written in the order the operator gave the computers.
  std::vector<std::u16string> targets;
  for (auto it = read.rbegin(); it != read.rend(); ++it) targets.push_back(it->first);
  std::unique_ptr<cVkProgressWindow> progress = questions.OpenProgressDialog(u"");
  const cVkProgressWindow* cancellable = targets.size() > 1 ? progress.get() : nullptr;
  if (cancellable != nullptr) progress->OfferCancel();
  int32_t lastFailure = 0;
  for (size_t i = 0; i < targets.size(); ++i) {
    if (Cancelled(cancelled, cancellable)) {
      flow.notReached.assign(targets.begin() + static_cast<std::ptrdiff_t>(i), targets.end());
      break;
    }
    const std::u16string& computer = targets[i];
    if (progress) {
      progress->SetMainText(
          vk::Format(u"Please Wait... Setting the security settings for the service on computer: %s.\n", computer));
    }
    int32_t rc = manager.SendData(log, computer, kVkSendSecurity, &edited, progress.get());
    if (rc != 0) {
      log.LogMsg(LOG_ERROR, rc,
                 u"An error has occurred while setting the security settings for the service on computer '%s'. "
                 u"Errorcode %ld",
                 computer, rc);
      flow.writeFailed.push_back(computer);
      lastFailure = rc;
      continue;
    }
    flow.written.push_back(computer);
  }
  progress.reset();
  if (!flow.notReached.empty()) {
    log.LogMsg(
        LOG_ERROR, ERROR_CANCELLED,
        u"The security settings were not sent to the computers '%s': the operation was cancelled. Errorcode %ld.",
        JoinNames(flow.notReached), ERROR_CANCELLED);
    if (lastFailure == 0) lastFailure = ERROR_CANCELLED;
  }
  if (lastFailure != 0) {
    flow.result = lastFailure;
    questions.ShowErrorDialog(u"One or more errors have occurred while setting the security settings", lastFailure,
                              log);
  }
  return flow;
}

int32_t VkDeployFromWizard(cOrkLog& log, cVkAgentManager& manager, cVkCredentialConnector* connector,
                           const std::u16string& computer, const cVkWizardLogon& logon,
                           cVkOperatorQuestions& questions) {
  std::unique_ptr<cVkProgressWindow> progress = questions.OpenProgressDialog(u"");
  if (logon.alternate && progress) {
    progress->SetMainText(vk::Format(u"Please Wait... Impersonating user '%s'.", logon.user));
    progress->SetMainText(vk::Format(u"Logging on user '%s'.", logon.user));
  }
  if (logon.alternate && connector != nullptr) {
    connector->SetLogon(computer, logon.user, logon.password);
    // A connection made with the earlier identity is not used again.
    if (cVkAgentData* record = manager.FindAgent(computer)) record->Invalidate();
    // The account is tried at once; a refused logon is logged and the
    // install below reports the failure.
    std::unique_ptr<vk::remote::RemoteComputer> remote;
    std::u16string why;
    if (int32_t rc = connector->Open(computer, remote, why); rc != 0) {
      log.LogMsg(LOG_ERROR, rc, u"Error authenticating user '%s'. Errorcode %ld.", logon.user, rc);
      if (!why.empty()) log.LogMsg(LOG_DETAIL, rc, u"%s", why);
    }
  }
  const std::vector<std::u16string> one{computer};
  int32_t rc = VkInstallOnComputers(log, manager, one, kVkDefaultInstallDirectory, progress.get(), nullptr).result;
  progress.reset();
  if (rc != 0) {
    questions.ShowErrorDialog(vk::Format(u"Error installing the ViewKeeper service on computer '%s'.", computer), rc,
                              log);
    questions.ShowErrorBox(
        vk::Format(u"The installation of the ViewKeeper service on computer '%s' has failed.", computer));
  }
  return rc;
}
