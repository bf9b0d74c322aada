#include "console/admin/deployment_flows.h"

#include <functional>

#include "console/admin/agent_manager.h"
#include "console/admin/operator_ui.h"
#include "log/orklog.h"
#include "platform/core/error_codes.h"

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

using OneComputer = std::function<int32_t(const std::u16string& computer)>;

// Each computer in turn; a Cancel pressed meanwhile leaves the rest out.
cVkFlowResult RunOnComputers(const std::vector<std::u16string>& computers, cVkProgressWindow* progress,
                             const OneComputer& one) {
  cVkFlowResult flow;
  const bool cancellable = progress != nullptr && computers.size() > 1;
  if (cancellable) progress->OfferCancel();
  for (size_t i = 0; i < computers.size(); ++i) {
    if (cancellable && VkCancelRequested(progress)) {
      flow.notReached.assign(computers.begin() + static_cast<std::ptrdiff_t>(i), computers.end());
      break;
    }
    Count(flow, computers[i], one(computers[i]));
  }
  if (!flow.failed.empty() && flow.result == 0) flow.result = -1;
  return flow;
}

// The computers a cancel left out, in the log and for the operator.
void ReportNotReached(cOrkLog& log, const cVkFlowResult& flow, cVkOperatorQuestions* questions) {
  if (flow.notReached.empty()) return;
  const std::u16string names = JoinNames(flow.notReached);
  log.LogMsg(LOG_WARNING, ERROR_CANCELLED,
             u"The operation was cancelled before it reached the following computers: '%s'. Errorcode %ld.", names,
             ERROR_CANCELLED);
  if (questions != nullptr) questions->ShowExclamationBox(VkNotReachedText(flow.notReached));
}

}  // namespace

std::u16string VkNotReachedText(const std::vector<std::u16string>& computers) {
  return vk::Format(u"The operation was cancelled. It did not reach the following computers: '%s'.",
                    JoinNames(computers));
}

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
  cVkFlowResult flow = RunOnComputers(computers, progress, [&](const std::u16string& computer) {
    return InstallOne(log, manager, computer, directory, progress);
  });
  ReportNotReached(log, flow, questions);
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
  cVkFlowResult flow = RunOnComputers(computers, progress, [&](const std::u16string& computer) {
    MainText(progress, vk::Format(u"Please Wait... Removing the ViewKeeper service from computer %s.", computer));
    return manager.RemoveAgent(log, computer, progress);
  });
  ReportNotReached(log, flow, questions);
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
