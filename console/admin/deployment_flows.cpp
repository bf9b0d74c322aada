#include "console/admin/deployment_flows.h"

#include "console/admin/agent_manager.h"
#include "console/admin/operator_ui.h"
#include "log/orklog.h"

namespace {

std::u16string JoinNames(const std::vector<std::u16string>& names) {
  std::u16string joined;
  for (const std::u16string& name : names) {
    if (!joined.empty()) joined += u',';
    joined += name;
  }
  return joined;
}

void MainText(cVkProgressWindow* progress, const std::u16string& text) {
  if (progress != nullptr) progress->SetMainText(text);
}

int32_t InstallOne(cOrkLog& log, cVkAgentManager& manager, const std::u16string& computer,
                   std::u16string_view directory, cVkProgressWindow* progress) {
  MainText(progress, vk::Format(u"Please Wait... Checking the ViewKeeper service state on computer '%s'.", computer));
  uint32_t state = 0;
  if (int32_t rc = manager.QueryAgentState(log, computer, &state, progress); rc != 0) {
    log.LogMsg(LOG_ERROR, rc, u"An error has occurred while getting the service state on computer '%s'. Errorcode %ld.",
               computer, rc);
    state = 0;
  }
  if (state != 0) {
    MainText(progress, vk::Format(u"Please Wait... Upgrading the ViewKeeper service on computer '%s'.", computer));
    int32_t rc = manager.UpgradeAgent(log, computer, progress);
    if (rc != 0) {
      log.LogMsg(LOG_ERROR, rc, u"An error has occurred while upgrading the service on computer '%s'. Errorcode %ld.",
                 computer, rc);
    }
    return rc;
  }
  MainText(progress, vk::Format(u"Please Wait... Installing the ViewKeeper service on computer '%s'.", computer));
  int32_t rc = manager.InstallAgent(log, computer, directory, progress);
  if (rc != 0) {
    log.LogMsg(LOG_ERROR, rc, u"An error has occurred while installing the service on computer '%s'. Errorcode %ld.",
               computer, rc);
    return rc;
  }
  MainText(progress, vk::Format(u"Please Wait... Starting the ViewKeeper service on computer '%s'.", computer));
  rc = manager.StartAgent(log, computer, progress);
  if (rc != 0) {
    log.LogMsg(LOG_ERROR, rc, u"An error has occurred while starting the service on computer %s. Errorcode %ld.",
               computer, rc);
  }
  return rc;
}

void Count(cVkFlowResult& flow, const std::u16string& computer, int32_t rc) {
  (rc == 0 ? flow.succeeded : flow.failed).push_back(computer);
  flow.result = rc;
}

}  // namespace

std::vector<std::u16string> VkSplitComputerList(std::u16string_view list) {
  std::vector<std::u16string> names;
  size_t pos = 0;
  while (pos <= list.size()) {
    size_t comma = list.find(u',', pos);
    if (comma == std::u16string_view::npos) comma = list.size();
    std::u16string_view name = list.substr(pos, comma - pos);
    while (!name.empty() && name.front() == u' ') name.remove_prefix(1);
    while (!name.empty() && name.back() == u' ') name.remove_suffix(1);
    if (!name.empty()) names.emplace_back(name);
    pos = comma + 1;
  }
  return names;
}

cVkFlowResult VkInstallOnComputers(cOrkLog& log, cVkAgentManager& manager, const std::vector<std::u16string>& computers,
                                   std::u16string_view directory, cVkProgressWindow* progress,
                                   cVkOperatorQuestions* questions) {
  cVkFlowResult flow;
  for (const std::u16string& computer : computers)
    Count(flow, computer, InstallOne(log, manager, computer, directory, progress));
  if (!flow.failed.empty() && flow.result == 0) flow.result = -1;
  if (questions == nullptr) return flow;
  if (!flow.failed.empty()) {
    questions->ShowErrorDialog(
        vk::Format(u"One or more errors have occurred while installing services on the following computers: '%s'.",
                   JoinNames(flow.failed)),
        flow.result, log);
  }
  if (!flow.succeeded.empty()) {
    questions->ShowInformationBox(
        vk::Format(u"The ViewKeeper service was successfully installed on the following computers: %s.",
                   JoinNames(flow.succeeded)));
  }
  return flow;
}

cVkFlowResult VkRemoveFromComputers(cOrkLog& log, cVkAgentManager& manager,
                                    const std::vector<std::u16string>& computers, cVkProgressWindow* progress,
                                    cVkOperatorQuestions* questions) {
  cVkFlowResult flow;
  for (const std::u16string& computer : computers) {
    MainText(progress, vk::Format(u"Please Wait... Removing the ViewKeeper service from computer %s.", computer));
    Count(flow, computer, manager.RemoveAgent(log, computer, progress));
  }
  if (!flow.failed.empty() && flow.result == 0) flow.result = -1;
  if (questions == nullptr) return flow;
  if (!flow.failed.empty()) {
    questions->ShowErrorDialog(
        vk::Format(u"One or more errors have occurred while removing the service from the following computers %s.",
                   JoinNames(flow.failed)),
        flow.result, log);
  }
  if (!flow.succeeded.empty()) {
    questions->ShowInformationBox(
        vk::Format(u"The ViewKeeper service was successfully uninstalled from the following computers: '%s'.",
                   JoinNames(flow.succeeded)));
  }
  if (!flow.failed.empty()) {
    questions->ShowExclamationBox(
        vk::Format(u"The ViewKeeper service failed to uninstall correctly from the following computers: '%s'.",
                   JoinNames(flow.failed)));
  }
  return flow;
}
