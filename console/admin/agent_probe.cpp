#include "console/admin/agent_manager.h"

#include <optional>

#include "log/orklog.h"
#include "platform/ssh/remote_computer.h"

namespace {

// The connector of a question nobody watches: every connection it makes is
// unattended, so an unknown host key or a refused key ends it with an error
// instead of a box in front of the operator.
class cVkUnattendedConnector : public vk::remote::RemoteConnector {
 public:
  cVkUnattendedConnector(vk::remote::RemoteConnector& inner, const vk::ManualResetEvent* cancel)
      : inner_(inner), cancel_(cancel) {}

  int32_t Open(std::u16string_view computer, std::unique_ptr<vk::remote::RemoteComputer>& computerOut,
               std::u16string& errorText) override {
    return inner_.OpenUnattended(computer, computerOut, errorText, cancel_);
  }
  int32_t OpenUnattended(std::u16string_view computer, std::unique_ptr<vk::remote::RemoteComputer>& computerOut,
                         std::u16string& errorText, const vk::ManualResetEvent* cancel) override {
    return inner_.OpenUnattended(computer, computerOut, errorText, cancel != nullptr ? cancel : cancel_);
  }

 private:
  vk::remote::RemoteConnector& inner_;
  const vk::ManualResetEvent* cancel_;
};

}  // namespace

int32_t cVkAgentManager::ProbeAgent(cOrkLog& log, std::u16string_view name, uint32_t* state, int32_t* build,
                                    const vk::ManualResetEvent* cancel) {
  *state = 0;
  *build = 0;
  cVkAdminContext context;
  {
    std::lock_guard guard(lock_);
    context = context_;
  }
  // Nothing is asked of the operator, neither by the agent operations nor by
  // the connection, and the record of the computer (if there is one) keeps
  // its connection and its state.
  context.questions = nullptr;
  std::optional<cVkUnattendedConnector> unattended;
  if (context.connector != nullptr) context.connector = &unattended.emplace(*context.connector, cancel);
  cVkAgentData probe{std::u16string(name)};
  probe.SetContext(&context);
  const int32_t rc = probe.QueryStatus(log, nullptr);
  if (rc != 0) {
    log.LogMsg(LOG_ERROR, rc, u"An error occurred while getting the service status from computer %s. Errorcode %ld.",
               name, rc);
    return rc;
  }
  *state = probe.ServiceState();
  // A service that publishes no valid build still has its state.
  if (*state != 0 && probe.ReadBuild(log, nullptr, build) != 0) *build = 0;
  return 0;
}
