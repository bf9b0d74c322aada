#include "agent/session/session_manager.h"

#include <algorithm>
#include <vector>

#include "common/protocol/secure_wipe.h"
#include "common/protocol/session_messages.h"
#include "agent/session/session_records.h"
#include "agent/session/session_shared.h"
#include "agent/worker/stop_worker_thread.h"
#include "common/mfclog/mfc_log.h"
#include "log/orklog.h"
#include "platform/core/error_codes.h"

namespace vk {

void cVkSessionManager::Shared::ArmListen() {
  std::lock_guard lock(socketLock);
  listenArmed = true;
  if (waking) listenSocket.Shutdown();
}

void cVkSessionManager::Shared::ArmSession() {
  std::lock_guard lock(socketLock);
  sessionArmed = true;
  if (waking) sessionSocket.Shutdown();
}

void cVkSessionManager::Shared::DisarmListen() {
  std::lock_guard lock(socketLock);
  listenArmed = false;
}

void cVkSessionManager::Shared::DisarmSession() {
  std::lock_guard lock(socketLock);
  sessionArmed = false;
}

void cVkSessionManager::Shared::WakeAll() {
  {
    std::lock_guard lock(socketLock);
    waking = true;
    if (listenArmed) listenSocket.Shutdown();
    if (sessionArmed) sessionSocket.Shutdown();
  }
  if (parts.tray) parts.tray->CancelQuestion();  // a stop answers an open question "No"
}

cVkSessionManager::cVkSessionManager(cVkSessionParts parts) : shared_(std::make_shared<Shared>(std::move(parts))) {
  VkRegisterMfcLogClasses();  // the session's log goes out as a cOrkMfcLog record
}

cVkSessionManager::~cVkSessionManager() = default;

void cVkSessionManager::SetAuthenticationTimeout(std::chrono::milliseconds timeout) { shared_->authTimeout = timeout; }

size_t cVkSessionManager::PendingConnections() const { return shared_->pendingCount.load(); }

int32_t cVkSessionManager::Start(cOrkLog& log) {
  if (thread_.Running()) return 0;
  {
    std::lock_guard lock(shared_->socketLock);
    shared_->waking = false;
  }
  std::shared_ptr<Shared> shared = shared_;
  const int32_t code = thread_.Start([shared](ManualResetEvent& stop) { return RunListener(shared, stop); });
  if (code != 0)
    log.LogNetMsg(LOG_ERROR, code,
                  u"An error has occurred while duplicating the Listen Socket threadhandle. Errorcode %ld.", code);
  return code;
}

int32_t cVkSessionManager::Stop(cOrkLog& log) {
  const int32_t code = StopWorkerThread(log, thread_);
  if (code != 0)
    log.LogMsg(LOG_ERROR, code, u"An error has occurred while stopping the Listen Socket thread. Errorcode %ld.", code);
  return code;
}

cVkViewerInfo cVkSessionManager::GetViewerInfo() const { return shared_->viewer.GetViewerInfo(); }

int32_t cVkSessionManager::ImpersonateViewer(cOrkLog& log, uint32_t* grantedMask) const {
  return shared_->viewer.ImpersonateViewer(log, grantedMask);
}

int32_t SendObjectOn(cVkSessionManager::Shared& shared, uint32_t type, cVkObject& object) {
  std::vector<uint8_t> message(sizeof(MessageHead));
  const int32_t cause = AppendObjectRecord(object, message);
  if (cause != 0) return cause;
  const MessageHead head = MakeMessageHead(type, static_cast<uint32_t>(message.size() - sizeof(MessageHead)));
  std::copy(head.begin(), head.end(), message.begin());
  return shared.sessionSocket.SendAll(message.data(), message.size());
}

int32_t SendLogOn(cVkSessionManager::Shared& shared, cOrkLog& log) {
  std::vector<uint8_t> message(sizeof(MessageHead));
  int32_t code = AppendLogRecord(log, message);
  if (code == 0) {
    const MessageHead head = MakeMessageHead(kLogMessage, static_cast<uint32_t>(message.size() - sizeof(MessageHead)));
    std::copy(head.begin(), head.end(), message.begin());
    code = shared.sessionSocket.SendAll(message.data(), message.size());
  }
  if (code != 0) log.LogMsg(LOG_ERROR, code, u"Error sending log information to the client. Errorcode %ld.", code);
  return code;
}

int32_t cVkSessionManager::SendObject(uint32_t type, cVkObject& object) { return SendObjectOn(*shared_, type, object); }

int32_t cVkSessionManager::SendLog(cOrkLog& log) { return SendLogOn(*shared_, log); }

}  // namespace vk
