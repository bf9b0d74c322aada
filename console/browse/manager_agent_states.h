// The agent states of the browse tree as the agent manager finds them: the
// service's state on the computer and the build its display name publishes.
#pragma once

#include <memory>

#include "console/browse/agent_state.h"

class cVkAgentManager;

// `manager` must outlive the source (the console's one manager does).
std::shared_ptr<iVkAgentStateSource> VkMakeManagerAgentStates(cVkAgentManager& manager);
