#include "agent/service/viewing_managers.h"

namespace vk::agent {

// Built without the viewing side (no Qt or X11 libraries): no tray or sessions.
void ConnectViewingManagers(cVkAgentManagers&) {}

}  // namespace vk::agent
