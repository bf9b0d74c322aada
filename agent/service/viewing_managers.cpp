#include "agent/service/viewing_managers.h"

#include "agent/security/agent_security.h"
#include "agent/service/agent_log.h"
#include "agent/service/agent_objects.h"
#include "agent/session/agent_session.h"
#include "agent/tray/tray_manager.h"

namespace vk::agent {
namespace {

cVkAgentSession& AgentSession() {
  static cVkAgentSession session({&ServiceSettings(),
                                  [](cOrkLog& log, const std::u16string& user, const std::u16string& domain,
                                     const std::u16string& password, uint32_t desiredAccess, uint32_t* granted) {
                                    return AgentSecurity().CheckLogonAccess(log, user, domain, password,
                                                                            desiredAccess, granted);
                                  },
                                  AppendLogToFile});
  return session;
}

}  // namespace

void ConnectViewingManagers(cVkAgentManagers& m) {
  m.tray = {[](cOrkLog& log) { return AgentSession().Tray().Initialize(log); },
            [](cOrkLog& log) { return AgentSession().Tray().Uninitialize(log); }};
  m.session = {[](cOrkLog& log) { return AgentSession().Sessions().Start(log); },
               [](cOrkLog& log) { return AgentSession().Sessions().Stop(log); }};
}

}  // namespace vk::agent
