#include "console/browse/manager_agent_states.h"

#include "console/admin/agent_manager.h"
#include "log/orklog.h"
#include "platform/ssh/remote_computer.h"

namespace {

cVkAgentState::Kind KindOf(uint32_t state) {
  switch (state) {
    case 0:
      return cVkAgentState::Kind::NotInstalled;
    case vk::remote::kServiceRunning:
      return cVkAgentState::Kind::Running;
    case vk::remote::kServiceStopped:
      return cVkAgentState::Kind::Stopped;
    default:
      return cVkAgentState::Kind::Pending;
  }
}

class cVkManagerAgentStates : public iVkAgentStateSource {
 public:
  explicit cVkManagerAgentStates(cVkAgentManager& manager) : manager_(manager) {}

  cVkAgentState QueryState(cOrkLog& log, std::u16string_view computer, const vk::ManualResetEvent& cancel) override {
    cVkAgentState answer;
    uint32_t state = 0;
    int32_t build = 0;
    const int32_t rc = manager_.ProbeAgent(log, computer, &state, &build, &cancel);
    if (rc != 0) {
      answer.kind = cVkAgentState::Kind::Unreachable;
      answer.code = rc;
      return answer;
    }
    answer.kind = KindOf(state);
    answer.build = build;
    return answer;
  }

 private:
  cVkAgentManager& manager_;
};

}  // namespace

std::shared_ptr<iVkAgentStateSource> VkMakeManagerAgentStates(cVkAgentManager& manager) {
  return std::make_shared<cVkManagerAgentStates>(manager);
}
