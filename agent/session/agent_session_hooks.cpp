#include "agent/session/agent_session_hooks.h"

#include "agent/service/agent_log.h"
#include "agent/service/agent_objects.h"
#include "agent/tray/tray_manager.h"

namespace vk::agent {
namespace {

LogonCheck& LogonHook() {
  static LogonCheck check;
  return check;
}

}  // namespace

cVkAgentSession& AgentSession() {
  static cVkAgentSession session(cVkAgentSessionLinks{
      &ServiceSettings(),
      [](cOrkLog& log, const std::u16string& user, const std::u16string& domain, const std::u16string& password,
         uint32_t desired, uint32_t* granted) {
        return LogonHook() ? LogonHook()(log, user, domain, password, desired, granted) : 5;
      },
      [](cOrkLog& log) { AppendLogToFile(log); }});
  return session;
}

void ConnectViewingManagers(cVkAgentManagers& m, LogonCheck checkLogonAccess) {
  LogonHook() = std::move(checkLogonAccess);
  m.tray = {[](cOrkLog& log) { return AgentSession().Tray().Initialize(log); },
            [](cOrkLog& log) { return AgentSession().Tray().Uninitialize(log); }};
  m.session = {[](cOrkLog& log) { return AgentSession().Sessions().Start(log); },
               [](cOrkLog& log) { return AgentSession().Sessions().Stop(log); }};
}

}  // namespace vk::agent
