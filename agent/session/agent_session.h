// The agent's viewing side assembled: the session manager with its real
// parts (access check, tray manager, input handler, screen capture), built
// once for the life of the service.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "agent/session/session_manager.h"

class cOrkLog;
class cVkServiceSettings;
class cVkTrayManager;

namespace vk::agent {

// The access check of a viewer's credentials (the agent's security object).
using LogonCheck = std::function<int32_t(cOrkLog& log, const std::u16string& user, const std::u16string& domain,
                                         const std::u16string& password, uint32_t desiredAccess,
                                         uint32_t* grantedMask)>;

struct cVkAgentSessionLinks {
  cVkServiceSettings* settings = nullptr;  // the agent's settings, read as copies
  LogonCheck checkLogonAccess;
  std::function<void(cOrkLog&)> appendLogToFile;
};

class cVkAgentSession {
 public:
  explicit cVkAgentSession(cVkAgentSessionLinks links);
  ~cVkAgentSession();
  cVkAgentSession(const cVkAgentSession&) = delete;
  cVkAgentSession& operator=(const cVkAgentSession&) = delete;

  cVkSessionManager& Sessions();
  cVkTrayManager& Tray();

 private:
  struct Parts;
  std::unique_ptr<Parts> parts_;
};

}  // namespace vk::agent
