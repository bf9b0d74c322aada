#include "console/core/update_socket.h"

#include <mutex>

#include "common/protocol/auth_block.h"
#include "common/protocol/secure_wipe.h"
#include "common/socket/socket.h"
#include "common/viewer/session_receiver.h"
#include "console/core/stop_thread.h"
#include "log/orklog.h"

namespace {

constexpr int32_t kReadinessSeconds = 5;
constexpr int kTwentyMinutesMs = 1200000;

}  // namespace

struct cVkUpdateSocket::Session : iVkSessionEvents {
  Session(std::shared_ptr<cVkScreenBuffer> s, std::shared_ptr<cVkViewerPort> p)
      : screen(std::move(s)), port(std::move(p)), receiver(*screen, log) {
    log.SetMemLogMask(LOG_ALL);
  }

  int32_t Run(vk::ManualResetEvent& stop);
  int32_t Connect();
  int32_t SetOptions();
  int32_t Authenticate();
  int32_t ReceiveLoop();
  void CloseSocket();
  void PostState(uint32_t image);
  int32_t Receive(void* bytes, size_t length) { return socket.ReceiveAll(bytes, length); }

  void OnScreenFormat() override { port->Post(UM_SCREEN_FORMAT); }
  void OnScreenData() override { port->Post(UM_SCREEN_DATA); }
  void OnCursor(uint32_t index) override { port->Post(UM_CURSOR, index); }

  std::shared_ptr<cVkScreenBuffer> screen;
  std::shared_ptr<cVkViewerPort> port;
  cVkConnectionInfo record;
  cOrkLog log;
  cVkSessionReceiver receiver;
  std::atomic<int32_t> lastError{0};
  std::atomic<bool> running{false};
  uint32_t shownState = 0;
  // The socket is created and closed by the thread and shut down by the
  // stopping thread, both under this lock.
  std::mutex socketLock;
  cVkSocket socket{kReadinessSeconds};
};

void cVkUpdateSocket::Session::PostState(uint32_t image) {
  if (image == shownState) return;
  shownState = image;
  port->Post(UM_TREE_STATE, image);
}

void cVkUpdateSocket::Session::CloseSocket() {
  std::lock_guard guard(socketLock);
  cOrkLog scratch;
  socket.Close(scratch);
}

int32_t cVkUpdateSocket::Session::Run(vk::ManualResetEvent& stop) {
  auto wake = stop.OnSet([this] {
    std::lock_guard guard(socketLock);
    socket.Shutdown();
  });
  PostState(kStateConnecting);
  int32_t rc = Connect();
  if (rc == 0) {
    PostState(kStateWaiting);
    rc = ReceiveLoop();
  }
  CloseSocket();
  if (stop.IsSet()) {  // closed by the operator: no failure to report
    running = false;
    return 0;
  }
  if (rc == kVkSessionClosedByAgent) log.LogMsg(LOG_WARNING, u"The connection was closed by the remote machine.");
  lastError = rc;
  running = false;
  port->Post(UM_CONNECTION_FAILED);
  return 0;
}

int32_t cVkUpdateSocket::Session::Connect() {
  const int32_t port16 = static_cast<int32_t>(record.updatePort);
  int32_t rc;
  {
    std::lock_guard guard(socketLock);
    rc = socket.Create(log, vk::net::kStream);
    if (rc == 0) rc = socket.Bind(log, 0);
  }
  if (rc != 0) {
    log.LogNetMsg(LOG_ERROR, rc, u"Error creating the update socket on port %ld. Errorcode %ld.", port16, rc);
    return rc;
  }
  if ((rc = SetOptions()) != 0) return rc;
  rc = socket.Connect(log, record.address, static_cast<uint16_t>(record.updatePort));
  if (rc != 0) {
    log.LogNetMsg(LOG_ERROR, rc, u"Error connecting to %s on port %ld. Errorcode %ld.", record.computerName, port16,
                  rc);
    return rc;
  }
  return Authenticate();
}

int32_t cVkUpdateSocket::Session::SetOptions() {
  struct Option {
    int name;
    int value;
    vk::WideFormatString<int32_t> failure;
  };
  const Option options[] = {
      {vk::net::kSoRcvTimeo, kTwentyMinutesMs,
       u"Error setting socket option SO_RCVTIMEO for new connection. Errorcode %ld."},
      {vk::net::kSoSndTimeo, kTwentyMinutesMs,
       u"Error setting socket option SO_SNDTIMEO for new connection. Errorcode %ld."},
      {vk::net::kSoKeepAlive, 1, u"Error setting socket option SO_KEEPALIVE for new connection. Errorcode %ld."},
      {vk::net::kSoDontLinger, 1, u"Error setting socket option SO_DONTLINGER for new connection. Errorcode %ld."},
  };
  for (const Option& option : options) {
    const int32_t rc = socket.SetOption(log, vk::net::kSolSocket, option.name, option.value);
    if (rc != 0) {
      log.LogNetMsg(LOG_ERROR, rc, option.failure, rc);
      return rc;
    }
  }
  return 0;
}

int32_t cVkUpdateSocket::Session::Authenticate() {
  std::vector<uint8_t> block = vk::BuildAuthBlock(record.userName, record.domain, record.password);
  vk::WipeText(record.password);
  const int32_t rc = socket.SendAll(block.data(), block.size());
  vk::WipeBuffer(block);
  if (rc != 0) {
    log.LogNetMsg(LOG_ERROR, rc, u"An error has occurred while sending the authentication data. Errorcode %ld.", rc);
    log.LogMsg(LOG_ERROR, rc, u"An error has occurred while authenticating '%s\\%s'. Errorcode %ld.", record.domain,
               record.userName, rc);
  }
  return rc;
}

int32_t cVkUpdateSocket::Session::ReceiveLoop() {
  const cVkSessionReceiver::Receive receive = [this](void* bytes, size_t length) { return Receive(bytes, length); };
  for (;;) {
    PostState(kStateWaiting);
    uint32_t code = 0;
    int32_t rc = receiver.ReceiveCommand(receive, &code);
    if (rc != 0) return rc;
    PostState(kStateHandling);
    rc = receiver.HandleCommand(code, receive, *this);
    if (rc != 0) return rc;
  }
}

cVkUpdateSocket::cVkUpdateSocket(std::shared_ptr<cVkScreenBuffer> screen, std::shared_ptr<cVkViewerPort> port)
    : screen_(std::move(screen)), port_(std::move(port)) {}

cVkUpdateSocket::~cVkUpdateSocket() {
  if (!thread_.Running()) return;
  cOrkLog scratch;
  CloseConnection(scratch);
}

int32_t cVkUpdateSocket::StartConnection(cOrkLog& log, const cVkConnectionInfo& record, iVkProgressSink* progress) {
  if (thread_.Running()) return 0;
  session_ = std::make_shared<Session>(screen_, port_);
  session_->record.CopyFrom(record);
  if (progress != nullptr) progress->ShowProgress(u"Progress: Starting update socket connection...");
  session_->running = true;
  auto session = session_;
  const int32_t rc = thread_.Start([session](vk::ManualResetEvent& stop) { return session->Run(stop); });
  if (rc != 0) {
    session_->running = false;
    log.LogNetMsg(LOG_ERROR, rc, u"An error has occurred while creating the Update Socket thread. Errorcode %ld.", rc);
  }
  return rc;
}

int32_t cVkUpdateSocket::CloseConnection(cOrkLog& log) {
  if (!session_) return 0;
  port_->Post(UM_TREE_STATE, kStateConnecting);
  const int32_t stopped = StopThread(log, thread_);
  if (stopped != 0) {
    log.LogMsg(LOG_ERROR, stopped, u"An error has occurred while stopping the Update Socket thread. Errorcode %ld.",
               stopped);
    return stopped;
  }
  session_->CloseSocket();  // the thread closed it already unless it never ran
  port_->Post(UM_TREE_STATE, kStateClosed);
  return 0;
}

int32_t cVkUpdateSocket::FinishAfterError(cOrkLog& log, int32_t* errorCode) {
  const int32_t rc = CloseConnection(log);
  if (rc != 0) {
    log.LogMsg(LOG_ERROR, rc,
               u"An error has occurred while uninitializing the socket connection after a socket error occurred. "
               u"Errorcode %ld.",
               rc);
    return rc;
  }
  if (!session_) {
    *errorCode = 0;
    return 0;
  }
  log.AddLog(session_->log);
  *errorCode = session_->lastError.exchange(0);
  session_->log.Clear();
  return 0;
}

bool cVkUpdateSocket::IsRunning() const { return session_ && session_->running; }
