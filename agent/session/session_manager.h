// cVkSessionManager: listens for viewing sessions and runs them, one at a
// time, on its listening thread.
//
// A session: accept, socket options, the authentication block and the access
// check, the tray's consent, the input handler, screen capture; then every
// 100 ms a new screen format, the changed sections and cursor changes go to
// the console; at the end capture stops, the connection closes, the
// credentials are wiped. Failures reach the console as a log message and the
// agent's log file.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "agent/service/service_parts.h"
#include "agent/session/session_parts.h"
#include "platform/core/worker_thread.h"

class cOrkLog;
class cVkObject;

namespace vk {

class cVkSessionManager final : public agent::iVkServiceManager {
 public:
  explicit cVkSessionManager(cVkSessionParts parts);
  ~cVkSessionManager();
  cVkSessionManager(const cVkSessionManager&) = delete;
  cVkSessionManager& operator=(const cVkSessionManager&) = delete;

  // Starts the listening thread (0 when it already runs).
  int32_t Start(cOrkLog& log) override;
  // Signals the thread, wakes whatever it is blocked on, and waits for it.
  int32_t Stop(cOrkLog& log) override;

  // For the tray: whether a console is connected, the viewer's name
  // ("domain\user", or the user alone) and the console's IPv4 address
  // (network order).
  cVkViewerInfo GetViewerInfo() const;
  // For the input handler: answers 0 while an authenticated viewer is
  // connected, with the rights the access check granted.
  int32_t ImpersonateViewer(cOrkLog& log, uint32_t* grantedMask) const;

  // Session thread only: one archived object as a message of `type`. When
  // the object cannot be archived nothing is sent and the cause is answered.
  int32_t SendObject(uint32_t type, cVkObject& object);
  // Session thread only: the lines of `log` as a log message.
  int32_t SendLog(cOrkLog& log);

  // Connections accepted and still waiting for their authentication block.
  size_t PendingConnections() const;

  // How long a console may take to send its authentication block after the
  // connection was accepted (30 s; tests shorten it).
  void SetAuthenticationTimeout(std::chrono::milliseconds timeout);

  struct Shared;

 private:
  std::shared_ptr<Shared> shared_;
  WorkerThread thread_;
};

}  // namespace vk
