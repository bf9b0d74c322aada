// The viewing side's managers (tray manager, session manager) and the access
// rights, connected to the service's start and stop routines.
#pragma once

#include "agent/service/managers.h"

class cVkAgentSecurity;

namespace vk::agent {

// The agent's access rights (lists, descriptor, checks).
cVkAgentSecurity& AgentSecurity();

// Fills the security hooks (always) and the tray and session hooks (when the
// program is built with its viewing side).
void ConnectSecurity(cVkAgentManagers& m);
void ConnectViewingManagers(cVkAgentManagers& m);

}  // namespace vk::agent
