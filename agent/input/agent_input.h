// The agent's one input handler, replaying through XTest on the agent's
// display ($DISPLAY), ending sessions through logind and blocking local
// input through DeskHook. The session manager takes &AgentInput() as its
// input part; ConnectAgentInput tells it, once, how to reach the session
// manager, the screen manager, the settings and the agent's log file.
#pragma once

#include "agent/input/session_input_adapter.h"

cVkSessionInputAdapter& AgentInput();
void ConnectAgentInput(cVkSessionInputAdapter::Wiring wiring);
