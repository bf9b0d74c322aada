// logind realisation of the power control: org.freedesktop.login1.Manager
// calls over D-Bus (no programs are run).
#include <string>

#include "platform/core/error_codes.h"
#include "platform/logind/logind_bus.h"
#include "platform/power/power_control.h"

namespace vk {
namespace {

class LogindPowerControl final : public iVkPowerControl {
 public:
  explicit LogindPowerControl(std::string busAddress) : busAddress_(std::move(busAddress)) {}

  int32_t Perform(PowerAction action) override {
    // A connection per action: actions are rare, and a bus that restarted
    // in between must not leave a dead connection behind.
    logind::BusPtr bus;
    if (int32_t code = logind::OpenBus(busAddress_, &bus); code != 0) return code;
    switch (action) {
      case PowerAction::LogOff:
        return LogOff(bus.get());
      // Not interactive: the agent is no polkit agent and asks nobody.
      case PowerAction::ShutDown:
        return logind::CallManagerBool(bus.get(), "PowerOff", false);
      case PowerAction::Restart:
        return logind::CallManagerBool(bus.get(), "Reboot", false);
    }
    return ERROR_INVALID_PARAMETER;
  }

 private:
  // The session shown on the seat's display is the one the viewer sees.
  static int32_t LogOff(sd_bus* bus) {
    std::string seatPath;
    if (int32_t code = logind::SeatPath(bus, "seat0", &seatPath); code != 0) return code;
    std::string session, sessionPath;
    int32_t code =
        logind::GetIdAndPathProperty(bus, seatPath, logind::kSeatInterface, "ActiveSession", &session, &sessionPath);
    if (code != 0) return code;
    if (session.empty()) return ERROR_FILE_NOT_FOUND;
    return logind::CallManagerString(bus, "TerminateSession", session);
  }

  std::string busAddress_;
};

}  // namespace

std::unique_ptr<iVkPowerControl> CreateLogindPowerControl(const std::string& busAddress) {
  return std::make_unique<LogindPowerControl>(busAddress);
}

}  // namespace vk
