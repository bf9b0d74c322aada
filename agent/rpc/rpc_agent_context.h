// What the agent's RPC listener and its calls need of the service around
// them; the service fills it in when it connects its managers.
#pragma once

#include <cstdint>
#include <functional>

class cOrkLog;
class cVkServiceSettings;
class cVkAgentSecurity;

namespace vk::agent {

struct cVkRpcAgentContext {
  // The shared objects that calls read and change.
  cVkServiceSettings* settings = nullptr;
  cVkAgentSecurity* security = nullptr;
  // Saves the settings at once (atomically) after an accepted set: 0 or the code.
  std::function<int32_t(cOrkLog&)> saveSettings;
  // Access rights were replaced (and saved): they are saved at stop as well.
  std::function<void()> markSecurityChanged;

  // Service status reports, with the wait hint in milliseconds.
  std::function<void(uint32_t)> reportStartPending;
  std::function<void(uint32_t)> reportStopPending;
  std::function<void()> reportRunning;
  // Resets the checkpoint counter and signals the service's stop event.
  std::function<void()> requestServiceStop;

  // Sets up the log of an activity (all masks); writes a failed activity's
  // log to the agent's log file.
  std::function<void(cOrkLog&)> setupActivityLog;
  std::function<void(cOrkLog&)> appendLogToFile;
  // The service log, which reaches the event log: says why the service stops.
  cOrkLog* serviceLog = nullptr;

  // Publishes the port (-1: none) and the build in the service's display
  // name: 0 or the code of the first failing step.
  std::function<int32_t(cOrkLog&, int32_t port)> publishPort;
};

}  // namespace vk::agent
