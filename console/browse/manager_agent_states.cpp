#include "console/browse/manager_agent_states.h"

#include "console/admin/agent_manager.h"
#include "log/orklog.h"
#include "platform/ssh/remote_computer.h"

namespace {

constexpr int32_t kServiceMissing = 1060;

class cVkManagerAgentStates : public iVkAgentStateSource {
 public:
  explicit cVkManagerAgentStates(cVkAgentManager& manager) : manager_(manager) {}

  cVkAgentState QueryState(cOrkLog& log, std::u16string_view computer) override {
    cVkAgentState answer;
    uint32_t state = 0;
    const int32_t rc = manager_.QueryAgentState(log, computer, &state, nullptr);
    if (rc == kServiceMissing) {
      answer.kind = cVkAgentState::Kind::NotInstalled;
      return answer;
    }
    if (rc != 0) {
      answer.kind = cVkAgentState::Kind::Unreachable;
      answer.code = rc;
      return answer;
    }
    answer.kind = state == vk::remote::kServiceRunning   ? cVkAgentState::Kind::Running
                  : state == vk::remote::kServiceStopped ? cVkAgentState::Kind::Stopped
                                                         : cVkAgentState::Kind::Pending;
    int32_t build = 0;
    if (manager_.ReadAgentBuild(log, computer, &build, nullptr) == 0) answer.build = build;
    return answer;
  }

 private:
  cVkAgentManager& manager_;
};

}  // namespace

std::shared_ptr<iVkAgentStateSource> VkMakeManagerAgentStates(cVkAgentManager& manager) {
  return std::make_shared<cVkManagerAgentStates>(manager);
}
