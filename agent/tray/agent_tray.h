// The agent's one tray manager. The service's start and stop routines call
//   AgentTray().Manager().Initialize(log) / Uninitialize(log)
// and the session manager takes &AgentTray() as its tray. ConnectAgentTray
// tells it, once, where the viewer and the notification mode come from.
#pragma once

#include <functional>

#include "agent/tray/session_tray_adapter.h"

cVkSessionTrayAdapter& AgentTray();
void ConnectAgentTray(std::function<cVkViewerInfo()> viewer, std::function<uint32_t()> notificationMode);
