// Which window messages a viewer forwards to the agent, and the special
// commands of the main window as input records.
#pragma once

#include <cstdint>
#include <optional>

#include "common/protocol/input_codes.h"

// Keyboard messages 0x100-0x107 are forwarded except WM_SYSKEYDOWN and any
// message for F4 (Alt+F4 must close nothing on the remote desktop by
// accident; Ctrl+Alt+F4 sends the command instead). Mouse messages
// 0x200-0x20A are forwarded.
bool VkForwardsMessage(uint32_t message, uint32_t wParam);

// Menu commands of the remote computer.
inline constexpr uint32_t ID_CTRL_ALT_DEL = 32807;
inline constexpr uint32_t ID_REFRESH = 32808;
inline constexpr uint32_t ID_TASK_MANAGER = 32809;
inline constexpr uint32_t ID_LOG_OFF = 32810;
inline constexpr uint32_t ID_REBOOT = 32811;
inline constexpr uint32_t ID_SHUTDOWN = 32812;
inline constexpr uint32_t ID_ALT_F4 = 32825;

// The input record a special command sends; nothing for other commands.
std::optional<vk::InputDatagram> VkSpecialCommandRecord(uint32_t command);
