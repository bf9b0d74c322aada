#include "agent/security/agent_security.h"
#include "agent/service/agent_log.h"
#include "agent/service/viewing_managers.h"

namespace vk::agent {

cVkAgentSecurity& AgentSecurity() {
  static cVkAgentSecurity security;
  return security;
}

void ConnectSecurity(cVkAgentManagers& m) {
  m.security = {[](cOrkLog& log) {
                  AgentSecurity().SetAppendLogToFile(AppendLogToFile);
                  return AgentSecurity().InitializeSecurity(log);
                },
                // Lists that were not read whole are never written back.
                [](cOrkLog& log) { return AgentSecurity().ShouldSaveAtStop() ? AgentSecurity().SaveToRegistry(log) : 0; }};
}

}  // namespace vk::agent
