// Ending the local user's session: log off, shut down, restart.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vk {

enum class PowerAction { LogOff, ShutDown, Restart };

class PowerControl {
 public:
  virtual ~PowerControl() = default;
  // 0 or a Win32-numbered code.
  virtual int32_t Perform(PowerAction action) = 0;
};

// logind: the active session of seat0 is terminated (log off); the machine is
// powered off or rebooted through systemd.
std::unique_ptr<PowerControl> CreateLogindPowerControl();

// Runs a program with arguments and waits for it; its exit status, or -1 when
// it could not be started. Standard output is returned in output.
int32_t RunProgram(const std::vector<std::string>& argv, std::string* output);

}  // namespace vk
