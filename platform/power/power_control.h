// Ending the local user's session: log off, shut down, restart.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace vk {

enum class PowerAction { LogOff, ShutDown, Restart };

class iVkPowerControl {
 public:
  virtual ~iVkPowerControl() = default;
  // 0 or a Win32-numbered code.
  virtual int32_t Perform(PowerAction action) = 0;
};

// logind over D-Bus: log off terminates the active session of seat0, shut
// down and restart ask logind to power off or reboot the machine. The system
// bus unless `busAddress` names another bus.
std::unique_ptr<iVkPowerControl> CreateLogindPowerControl(const std::string& busAddress = {});

}  // namespace vk
