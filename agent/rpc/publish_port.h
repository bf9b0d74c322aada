// Publishing the RPC port and the agent's build in the service's display
// name, "ViewKeeper Service ((port,build))", which the console reads before
// it binds: the Description of the unit (platform/systemd).
#pragma once

#include <cstdint>
#include <string>

class cOrkLog;

namespace vk::agent {

// The display name for a port (-1: none could be opened).
std::u16string RpcDisplayName(int32_t port);

// Writes the display name and reloads systemd: 0 or the code of the first
// failing step, logged. An agent that systemd does not run (and that no
// VIEWKEEPER_UNIT_DIR points elsewhere) publishes nothing and answers 0.
int32_t PublishRpcPort(cOrkLog& log, int32_t port);

}  // namespace vk::agent
