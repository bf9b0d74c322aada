// State of the session manager that its listening thread shares. The thread
// holds it by shared_ptr, so a thread that does not stop in time never
// touches freed memory.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>

#include "common/protocol/auth_block.h"
#include "agent/session/session_manager.h"
#include "agent/session/session_pending.h"
#include "agent/session/session_viewer.h"
#include "common/socket/socket.h"

namespace vk {

struct cVkSessionManager::Shared {
  explicit Shared(cVkSessionParts p) : parts(std::move(p)), viewer(parts.viewer ? *parts.viewer : ownViewer) {}

  cVkSessionParts parts;
  std::chrono::milliseconds authTimeout{30000};
  std::atomic<size_t> pendingCount{0};  // connections waiting for their block

  // The sockets, and whether another thread may shut them down to wake the
  // listening thread. Only the listening thread creates, accepts and closes;
  // arming and shutting down happen under socketLock so that a shutdown
  // never reaches a handle that is being replaced or closed.
  std::mutex socketLock;
  cVkSocket listenSocket{5};
  // The session socket's readiness test only looks (no wait): the session
  // uses it to notice a console that has hung up while nothing is sent.
  cVkSocket sessionSocket{0};
  bool listenArmed = false;
  bool sessionArmed = false;
  bool waking = false;  // the stop event was signalled

  // The viewer: the agent's record, or the manager's own when none is given.
  cVkSessionViewer ownViewer;
  cVkSessionViewer& viewer;

  void ArmListen();
  void ArmSession();
  void DisarmListen();
  void DisarmSession();
  void WakeAll();  // called when the stop event is signalled
};

// The listening thread's body.
int32_t RunListener(const std::shared_ptr<cVkSessionManager::Shared>& shared, ManualResetEvent& stop);

// Messages on the session socket (see cVkSessionManager::SendObject, SendLog).
int32_t SendObjectOn(cVkSessionManager::Shared& shared, uint32_t type, cVkObject& object);
int32_t SendLogOn(cVkSessionManager::Shared& shared, cOrkLog& log);

// The authentication step of a session: checks the block the connection
// received (or logs why it has none) and records the viewer. Answers 0 or
// the failure it logged.
int32_t AuthenticateViewer(cVkSessionManager::Shared& shared, cOrkLog& log, cVkPendingConnection& connection);

}  // namespace vk
