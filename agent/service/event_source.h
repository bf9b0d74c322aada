// Registration of the agent as the event-log source "ViewKeeper": the values
// EventMessageFile and TypesSupported under
// HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\EventLog\Application\ViewKeeper,
// written at every start.
#pragma once

#include <cstdint>
#include <string>

class cOrkLog;

namespace vk::agent {

// Event types the source reports: error, warning, information.
inline constexpr uint32_t kEventTypesSupported = 7;

int32_t RegisterEventSource(cOrkLog& log, const std::u16string& eventMessageFile);

}  // namespace vk::agent
