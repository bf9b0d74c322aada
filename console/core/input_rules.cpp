#include "console/core/input_rules.h"

#include "common/protocol/virtual_keys.h"

bool VkForwardsMessage(uint32_t message, uint32_t wParam) {
  if (message >= WM_KEYDOWN && message <= WM_SYSDEADCHAR) return message != WM_SYSKEYDOWN && wParam != VK_F4;
  return message >= WM_MOUSEMOVE && message <= WM_MOUSEWHEEL;
}

std::optional<vk::InputDatagram> VkSpecialCommandRecord(uint32_t command) {
  switch (command) {
    case ID_CTRL_ALT_DEL:
      return vk::InputDatagram{INPUT_CMD_CTRL_ALT_DEL, 0, 0};
    case ID_REFRESH:
      return vk::InputDatagram{INPUT_CMD_FULL_REFRESH, 0, 0};
    case ID_TASK_MANAGER:
      return vk::InputDatagram{INPUT_CMD_CTRL_SHIFT_ESC, 0, 0};
    case ID_LOG_OFF:
      return vk::InputDatagram{INPUT_CMD_END_SESSION, END_SESSION_LOGOFF, 0};
    case ID_SHUTDOWN:
      return vk::InputDatagram{INPUT_CMD_END_SESSION, END_SESSION_SHUTDOWN, 0};
    case ID_REBOOT:
      return vk::InputDatagram{INPUT_CMD_END_SESSION, END_SESSION_RESTART, 0};
    case ID_ALT_F4:
      return vk::InputDatagram{INPUT_CMD_ALT_F4, 0, 0};
    default:
      return std::nullopt;
  }
}
