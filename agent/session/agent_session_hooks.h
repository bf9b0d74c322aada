// The viewing side's hooks in the service's start and stop routines: the
// tray manager and the session manager, both on the one cVkAgentSession of
// the process.
#pragma once

#include "agent/service/managers.h"
#include "agent/session/agent_session.h"

namespace vk::agent {

// The agent's viewing side, built on first use with the agent's settings,
// its log file and `checkLogonAccess`.
cVkAgentSession& AgentSession();

// Fills m.tray and m.session. `checkLogonAccess` is the agent's access check
// of a viewer's credentials.
void ConnectViewingManagers(cVkAgentManagers& m, LogonCheck checkLogonAccess);

}  // namespace vk::agent
