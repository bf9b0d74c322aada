#include "tools/vkctl/host_job.h"

#include <thread>

#include "common/security_lists/service_security.h"
#include "common/settings/service_settings.h"
#include "console/admin/agent_manager.h"
#include "console/admin/deployment_flows.h"
#include "log/orklog.h"
#include "platform/core/error_codes.h"
#include "platform/core/text.h"
#include "platform/ssh/ssh_errors.h"
#include "tools/vkctl/terminal_ui.h"

namespace {

// Asks for a password on the terminal when the keys were not accepted.
class PasswordAskingConnector : public vk::remote::RemoteConnector {
 public:
  PasswordAskingConnector(const vk::ssh::SshTarget& base, cVkctlTerminal& terminal)
      : base_(base), terminal_(terminal), inner_(vk::remote::MakeSshConnector(base_, &terminal_)) {}

  int32_t Open(std::u16string_view computer, std::unique_ptr<vk::remote::RemoteComputer>& out,
               std::u16string& why) override {
    int32_t rc = inner_->Open(computer, out, why);
    std::string password;
    if (rc != vk::ssh::kLoginFailure || !base_.password.empty() || !terminal_.AskPassword(password)) return rc;
    base_.password = password;
    std::fill(password.begin(), password.end(), '\0');
    inner_ = vk::remote::MakeSshConnector(base_, &terminal_);
    return inner_->Open(computer, out, why);
  }
  int32_t OpenUnattended(std::u16string_view computer, std::unique_ptr<vk::remote::RemoteComputer>& out,
                         std::u16string& why, const vk::ManualResetEvent* cancel) override {
    return inner_->OpenUnattended(computer, out, why, cancel);
  }

 private:
  vk::ssh::SshTarget base_;
  cVkctlTerminal& terminal_;
  std::unique_ptr<vk::remote::RemoteConnector> inner_;
};

std::vector<std::string> LogLines(cOrkLog& log) {
  std::vector<std::string> lines;
  uint32_t index = 0;
  int32_t time = 0;
  uint32_t type = 0;
  int32_t code = 0;
  std::u16string buffer(1100, u'\0');
  while (log.GetMemMessageEx(&index, LOG_ALL, &time, &type, &code, buffer.data(),
                             static_cast<uint32_t>(buffer.size())) == 0) {
    lines.push_back(vk::ToUtf8(std::u16string_view(buffer.c_str())));
  }
  return lines;
}

std::string JoinList(const VkAccountList& list) {
  std::string joined;
  for (const std::u16string& name : list) joined += (joined.empty() ? "" : ",") + vk::ToUtf8(name);
  return joined;
}

VkAccountList SplitList(const std::string& text) {
  VkAccountList list;
  for (const std::u16string& name : VkSplitComputerList(vk::FromUtf8(text))) list.push_back(name);
  return list;
}

class HostJob {
 public:
  HostJob(const VkctlShared& shared, const std::string& host)
      : shared_(shared),
        host_(host),
        name_(vk::FromUtf8(host)),
        terminal_(shared.options, host),
        connector_(shared.base, terminal_) {
    log_.SetMemLogMask(LOG_ALL);
    cVkAdminContext context;
    context.connector = &connector_;
    context.binder = shared.binder;
    context.questions = &terminal_;
    context.wait = [](uint32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); };
    manager_.SetContext(context);
    progress_ = terminal_.MakeProgress();
  }

  VkctlHostResult Run() {
    VkctlHostResult result;
    result.host = host_;
    result.code = manager_.InitServiceFiles(log_, shared_.filesFolder);
    if (result.code == 0) result.code = Dispatch(result);
    if (result.code != 0) result.log = LogLines(log_);
    result.notes = terminal_.Notes();
    return result;
  }

 private:
  int32_t Dispatch(VkctlHostResult& result) {
    const std::string& command = shared_.options.command;
    cVkProgressWindow* progress = progress_.get();
    if (command == "status") return Status(result);
    if (command == "start") return manager_.StartAgent(log_, name_, progress);
    if (command == "stop") return manager_.StopAgent(log_, name_, progress);
    if (command == "upgrade") return manager_.UpgradeAgent(log_, name_, progress);
    if (command == "install") {
      return VkInstallOnComputers(log_, manager_, {name_}, vk::FromUtf8(shared_.options.directory), progress, nullptr)
          .result;
    }
    if (command == "remove") return VkRemoveFromComputers(log_, manager_, {name_}, progress, nullptr).result;
    if (command == "settings") return Settings(result);
    return Security(result);
  }

  int32_t Status(VkctlHostResult& result) {
    uint32_t state = 0;
    int32_t rc = manager_.QueryAgentState(log_, name_, &state, progress_.get());
    if (rc == 0) result.state = state == 0 ? "not installed" : vk::ToUtf8(VkServiceStateName(state));
    return rc;
  }

  template <class T>
  int32_t Get(int32_t code, std::unique_ptr<T>& object) {
    std::unique_ptr<cVkObject> answer;
    int32_t rc = manager_.GetData(log_, name_, code, nullptr, answer, progress_.get());
    if (rc != 0) return rc;
    object.reset(dynamic_cast<T*>(answer.release()));
    return object != nullptr ? 0 : -1;
  }

  int32_t Settings(VkctlHostResult& result) {
    std::unique_ptr<cVkServiceSettings> settings;
    if (int32_t rc = Get(kVkGetSettings, settings); rc != 0) return rc;
    if (shared_.options.action == "set") {
      std::string error;
      if (!VkApplySettings(*settings, shared_.options.assignments, error)) {
        log_.LogMsg(LOG_ERROR, ERROR_INVALID_PARAMETER, u"%S Errorcode %ld.", error, ERROR_INVALID_PARAMETER);
        return ERROR_INVALID_PARAMETER;
      }
      if (int32_t rc = manager_.SendData(log_, name_, kVkSendSettings, settings.get(), progress_.get()); rc != 0) {
        return rc;
      }
    }
    result.values = VkSettingsValues(*settings);
    return 0;
  }

  int32_t Security(VkctlHostResult& result) {
    std::unique_ptr<cVkServiceSecurity> security;
    if (int32_t rc = Get(kVkGetSecurity, security); rc != 0) return rc;
    if (shared_.options.action == "set") {
      const VkctlOptions& o = shared_.options;
      security->SetLists(o.administrators ? SplitList(*o.administrators) : security->GetAdministrators(),
                         o.operators ? SplitList(*o.operators) : security->GetOperators(),
                         o.users ? SplitList(*o.users) : security->GetUsers());
      if (int32_t rc = manager_.SendData(log_, name_, kVkSendSecurity, security.get(), progress_.get()); rc != 0) {
        return rc;
      }
    }
    result.values = {{"administrators", JoinList(security->GetAdministrators())},
                     {"operators", JoinList(security->GetOperators())},
                     {"users", JoinList(security->GetUsers())}};
    return 0;
  }

  const VkctlShared& shared_;
  std::string host_;
  std::u16string name_;
  cVkctlTerminal terminal_;
  PasswordAskingConnector connector_;
  cVkAgentManager manager_;
  cOrkLog log_;
  std::unique_ptr<cVkProgressWindow> progress_;
};

}  // namespace

VkctlHostResult RunVkctlHost(const VkctlShared& shared, const std::string& host) {
  HostJob job(shared, host);
  return job.Run();
}
