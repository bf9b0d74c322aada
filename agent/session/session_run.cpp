// The listening thread and the phases of one session.
#include <chrono>
#include <memory>

#include "common/protocol/session_messages.h"
#include "common/archive/object.h"
#include "agent/service/log_sink.h"
#include "agent/session/session_pacer.h"
#include "agent/session/session_shared.h"
#include "agent/worker/stop_worker_thread.h"
#include "common/settings/settings_parts.h"
#include "log/orklog.h"
#include "platform/core/error_codes.h"

namespace vk {
namespace {

using namespace std::chrono_literals;

constexpr int kSessionTimeoutMs = 1200000;  // 20 minutes
constexpr auto kSessionCycle = 100ms;
cVkSessionSettings SanitisedSettings(const cVkSessionParts& parts) {
  cVkSessionSettings settings = parts.settings ? parts.settings() : cVkSessionSettings{};
  settings.updatePort = UpdatePortAtUse(settings.updatePort);
  return settings;
}

// Captured changes wake the session while it lives.
class cVkChangeListening {
 public:
  cVkChangeListening(iVkSessionScreen* screen, cVkSessionWake& wake) : screen_(screen) {
    if (screen_) screen_->SetChangeListener([&wake] { wake.ChangesCaptured(); });
  }
  ~cVkChangeListening() {
    if (screen_) screen_->SetChangeListener(nullptr);
  }
  cVkChangeListening(const cVkChangeListening&) = delete;
  cVkChangeListening& operator=(const cVkChangeListening&) = delete;

 private:
  iVkSessionScreen* screen_;
};

class cSession {
 public:
  cSession(cVkSessionManager::Shared& shared, cOrkLog& log, ManualResetEvent& stop, cVkPendingConnection& connection)
      : s_(shared), parts_(shared.parts), log_(log), stop_(stop), connection_(connection) {}

  int32_t Run();

 private:
  int32_t Connect();
  void SetSocketOptions();
  int32_t StartCapture();
  int32_t Loop();
  int32_t CheckConsole();
  void UpdateTrayWatchingConsole();
  int32_t StopCapture();
  int32_t Disconnect();
  void AppendToFile() {
    if (parts_.logFile) parts_.logFile->AppendLogToFile(log_);
  }

  cVkSessionManager::Shared& s_;
  const cVkSessionParts& parts_;
  cOrkLog& log_;
  ManualResetEvent& stop_;
  cVkPendingConnection& connection_;
};

int32_t cSession::Run() {
  int32_t first = Connect();
  if (first != 0) {
    log_.LogMsg(LOG_ERROR, first, u"An error has occurred while connecting. Errorcode %ld.", first);
    SendLogOn(s_, log_);
  } else if ((first = StartCapture()) != 0) {
    log_.LogMsg(LOG_ERROR, first, u"An error has occurred while starting the screen capture. Errorcode %ld.", first);
    SendLogOn(s_, log_);
  } else {
    first = Loop();
  }
  const int32_t stopped = StopCapture();
  const int32_t disconnected = Disconnect();
  if (disconnected != 0) return disconnected;
  if (stopped != 0) return stopped;
  return first;
}

// The connection was accepted by the listening loop, which also received
// its authentication block (or found out why there is none).
int32_t cSession::Connect() {
  {
    std::lock_guard lock(s_.socketLock);
    s_.sessionSocket.Adopt(*connection_.socket);
  }
  s_.ArmSession();
  s_.viewer.Connected(s_.sessionSocket.PeerAddress());
  SetSocketOptions();
  int32_t code = AuthenticateViewer(s_, log_, connection_);
  if (code != 0) {
    log_.LogMsg(LOG_ERROR, code, u"An error has occurred while authenticating the client. Errorcode %ld.", code);
    return code;
  }
  if (parts_.screen) parts_.screen->RebuildCursorList();
  if (parts_.tray) UpdateTrayWatchingConsole();
  if (parts_.tray && !parts_.tray->IsViewingAllowed()) {
    code = ERROR_ACCESS_DENIED;
    log_.LogMsg(LOG_ERROR, code, u"The user has denied the request to remotely view the desktop. Errorcode %ld.", code);
    return code;
  }
  const uint32_t granted = s_.viewer.GrantedMask();
  const int32_t input = parts_.input ? parts_.input->Start(log_, s_.sessionSocket.PeerAddress(), granted) : 0;
  if (input != 0) {
    log_.LogMsg(LOG_ERROR, input, u"An error has occurred while initializing the input handler. Errorcode %ld.", input);
    AppendToFile();
  }
  return 0;
}

// Each failure is logged and written to the file; the session goes on.
void cSession::SetSocketOptions() {
  struct Option {
    int option;
    int value;
    const char16_t* message;
  };
  static constexpr Option kOptions[] = {
      {net::kSoRcvTimeo, kSessionTimeoutMs,
       u"Error setting socket option SO_RCVTIMEO for new connection. Errorcode %ld."},
      {net::kSoSndTimeo, kSessionTimeoutMs,
       u"Error setting socket option SO_SNDTIMEO for new connection. Errorcode %ld."},
      {net::kSoKeepAlive, 1, u"Error setting socket option SO_KEEPALIVE for new connection. Errorcode %ld."},
      {net::kSoDontLinger, 1, u"Error setting socket option SO_DONTLINGER for new connection. Errorcode %ld."},
  };
  for (const Option& o : kOptions) {
    const int32_t code = s_.sessionSocket.SetOption(log_, net::kSolSocket, o.option, o.value);
    if (code == 0) continue;
    log_.LogMsg(LOG_ERROR, code, RuntimeFormat(o.message), code);
    AppendToFile();
  }
}

int32_t cSession::StartCapture() {
  if (!parts_.screen) return 0;
  int32_t code = parts_.screen->StartScreenManager(log_);
  if (code != 0) {
    log_.LogMsg(LOG_ERROR, code, u"An error has occurred while initializing the screen manager. Errorcode %ld.", code);
    return code;
  }
  code = parts_.screen->StartDesktopManager(log_);
  if (code != 0)
    log_.LogMsg(LOG_ERROR, code, u"An error has occurred while initializing the desktop manager. Errorcode %ld.", code);
  return code;
}

// The person at the computer may be asked for consent, which can take up to
// a minute. A console sends nothing after its authentication block, so a
// socket that turns readable meanwhile means the console hung up: its
// question is then answered "No" instead of holding the only session slot.
void cSession::UpdateTrayWatchingConsole() {
  WorkerThread watcher;
  watcher.Start([this](ManualResetEvent& asked) -> int32_t {
    bool hungUp = false;
    while (!asked.WaitFor(250ms)) {
      bool readable = false;
      if (!hungUp) hungUp = s_.sessionSocket.IsReadable(&readable) != 0 || readable;
      // Repeated until the question is over: the console may hang up before
      // the question is open.
      if (hungUp) parts_.tray->CancelQuestion();
    }
    return 0;
  });
  parts_.tray->UpdateForSession();
  StopWorkerThread(log_, watcher);
}

int32_t cSession::Loop() {
  int32_t code = 0;
  iVkSessionScreen* screen = parts_.screen;
  cVkSessionWake wake;
  auto stopped = stop_.OnSet([&wake] { wake.Cancel(); });
  cVkSessionPacer pacer(screen ? screen->SendPeriod() : kSessionCycle, cVkSessionPacer::Clock::now());
  cVkChangeListening listening(screen, wake);
  while (code == 0 && wake.WaitForCycle(pacer)) {
    pacer.CycleStarted(cVkSessionPacer::Clock::now());
    if (screen && screen->TakeFormatPending()) {
      std::unique_ptr<cVkObject> info = screen->MakeScreenInfo();
      code = info ? SendObjectOn(s_, kObjectMessage, *info) : ERROR_INVALID_DATA;
      info.reset();
      if (code != 0) {
        log_.LogMsg(LOG_ERROR, code, u"Error sending info to the client. Errorcode %ld.", code);
        log_.LogMsg(LOG_ERROR, code, u"An error has occurred while reinitializing a socket connection. Errorcode %ld.",
                    code);
        break;
      }
      screen->AddFullScreen();
      continue;
    }
    if (parts_.tray && !parts_.tray->IsViewingAllowed()) {
      log_.LogMsg(LOG_ERROR, 0, u"The remote user has denied remote access to his desktop. Errorcode %ld.", 0);
      SendLogOn(s_, log_);
      return 0;
    }
    if ((code = CheckConsole()) != 0) break;
    if (!screen) continue;
    code = screen->SendUpdate(s_.sessionSocket);
    if (screen->TakeUpdateSent()) pacer.UpdateSent();
    if (code != 0) {
      log_.LogMsg(LOG_ERROR, code, u"An error has occurred while sending an update. Errorcode %ld.", code);
      break;
    }
    uint32_t index = 0;
    if (!screen->TakeCursorChange(&index)) continue;
    const MessageHead message = MakeMessageHead(kCursorMessage, index);
    code = s_.sessionSocket.SendAll(message.data(), message.size());
    if (code != 0)
      log_.LogMsg(LOG_ERROR, code, u"An error has occurred while sending the mouse cursor. Errorcode %ld.", code);
  }
  if (code != 0) {
    log_.LogMsg(LOG_ERROR, code, u"An error has occurred while communicating. Errorcode %ld.", code);
    SendLogOn(s_, log_);
  }
  return code;
}

// A console sends nothing after its authentication block, so a readable
// socket means it hung up (or broke the protocol: such bytes are dropped).
// Without this a console that leaves while the screen is still would hold
// the only session slot, as nothing would be sent that could fail.
int32_t cSession::CheckConsole() {
  bool readable = false;
  int32_t code = s_.sessionSocket.IsReadable(&readable);
  if (code != 0 || !readable) return code;
  uint8_t ignored = 0;
  return s_.sessionSocket.ReceiveAll(&ignored, 1);
}

int32_t cSession::StopCapture() {
  if (!parts_.screen) return 0;
  const int32_t desktop = parts_.screen->StopDesktopManager(log_);
  if (desktop != 0)
    log_.LogMsg(LOG_ERROR, desktop, u"An error has occurred while uninitializing the desktop manager. Errorcode %ld.",
                desktop);
  const int32_t screen = parts_.screen->StopScreenManager(log_);
  if (screen != 0)
    log_.LogMsg(LOG_ERROR, screen, u"An error has occurred while stopping the screen manager. Errorcode %ld.", screen);
  const int32_t code = screen != 0 ? screen : (desktop != 0 ? -1 : 0);
  if (code != 0) {
    log_.LogMsg(LOG_ERROR, code, u"An error has occurred while stopping the screen capture. Errorcode %ld.", code);
    SendLogOn(s_, log_);
  }
  return code;
}

int32_t cSession::Disconnect() {
  s_.DisarmSession();
  int32_t code = s_.sessionSocket.Close(log_);
  if (code != 0) log_.LogMsg(LOG_ERROR, code, u"An error has occurred while closing a socket. Errorcode %ld.", code);
  const int32_t input = parts_.input ? parts_.input->Stop(log_) : 0;
  if (input != 0) {
    log_.LogMsg(LOG_ERROR, input, u"An error has occurred while uninitializing the input handler. Errorcode %ld.",
                input);
    if (code == 0) code = input;
  }
  s_.viewer.Clear();
  if (parts_.tray) parts_.tray->UpdateForSession();
  if (code != 0) {
    log_.LogMsg(LOG_ERROR, code, u"An error has occurred while disconnecting. Errorcode %ld.", code);
    SendLogOn(s_, log_);
  }
  return code;
}

// Creates, binds and listens; answers the failure it logged.
int32_t OpenListener(cVkSessionManager::Shared& s, cOrkLog& log, uint16_t port) {
  int32_t code = s.listenSocket.Create(log, net::kStream);
  if (code != 0) {
    log.LogMsg(LOG_ERROR, code, u"An error has occurred while creating a listening socket. Errorcode %ld.", code);
    return code;
  }
  s.ArmListen();
  if ((code = s.listenSocket.Bind(log, port)) != 0) {
    log.LogMsg(LOG_ERROR, code, u"An error has occurred while binding a listening socket. Errorcode %ld.", code);
    return code;
  }
  if ((code = s.listenSocket.Listen(log, kListenBacklog)) != 0)
    log.LogMsg(LOG_ERROR, code, u"An error has occurred while listening on port %ld. Errorcode %ld.",
               static_cast<int32_t>(port), code);
  return code;
}

// The listening loop: accepts connections into a bounded set of pending
// ones, reads their authentication blocks as they arrive, and runs the
// session of the first whose block is complete; one that fails or runs out
// of time is refused as a session with a failed connect is.
class cListener {
 public:
  cListener(cVkSessionManager::Shared& shared, cOrkLog& log, ManualResetEvent& stop)
      : s_(shared), log_(log), stop_(stop) {}
  ~cListener() { s_.pendingCount = 0; }

  // False after a failure of the listening socket (logged).
  bool Serve();

 private:
  int Timeout() const;
  bool AcceptOne();
  size_t PendingFrom(uint32_t address) const;
  void RunSession(cVkPendingConnection& connection);
  void ServeSettled();

  cVkSessionManager::Shared& s_;
  cOrkLog& log_;
  ManualResetEvent& stop_;
  std::vector<cVkPendingConnection> pending_;
};

// Waits at most the listening socket's 5 s, less when a deadline comes first.
int cListener::Timeout() const {
  auto next = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  for (const cVkPendingConnection& p : pending_) next = std::min(next, p.deadline);
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(next - std::chrono::steady_clock::now());
  return static_cast<int>(std::max<int64_t>(left.count(), 0));
}

size_t cListener::PendingFrom(uint32_t address) const {
  return static_cast<size_t>(std::count_if(pending_.begin(), pending_.end(), [address](const cVkPendingConnection& p) {
    return p.socket->PeerAddress() == address;
  }));
}

bool cListener::AcceptOne() {
  cVkPendingConnection connection;
  connection.socket = std::make_unique<cVkSocket>(0);
  const int32_t code = s_.listenSocket.Accept(log_, *connection.socket);
  if (code != 0) {
    // Logged as the failed connect of a session (which ends at once).
    log_.LogNetMsg(LOG_ERROR, code, u"Error accepting new connection. Errorcode %ld.", code);
    log_.LogMsg(LOG_ERROR, code, u"An error has occurred while communicating. Errorcode %ld.", code);
    if (s_.parts.logFile) s_.parts.logFile->AppendLogToFile(log_);
    log_.Clear();
    return false;
  }
  if (PendingFrom(connection.socket->PeerAddress()) >= kMaxPendingPerAddress) {
    cOrkLog ignored;
    connection.socket->Close(ignored);  // this address holds its share of the slots
    return true;
  }
  connection.deadline = std::chrono::steady_clock::now() + s_.authTimeout;
  pending_.push_back(std::move(connection));
  s_.pendingCount = pending_.size();
  return true;
}

void cListener::RunSession(cVkPendingConnection& connection) {
  const int32_t result = cSession(s_, log_, stop_, connection).Run();
  if (result != 0) {
    log_.LogMsg(LOG_ERROR, result, u"An error has occurred while communicating. Errorcode %ld.", result);
    if (s_.parts.logFile) s_.parts.logFile->AppendLogToFile(log_);
  }
  log_.Clear();  // each session reports only its own lines
}

// Refuses the connections that failed or ran out of time, then runs the
// session of the first complete one. The others wait; their time starts
// again after the session, during which nobody read them.
void cListener::ServeSettled() {
  const auto now = std::chrono::steady_clock::now();
  for (cVkPendingConnection& p : pending_)
    if (now >= p.deadline) p.Expire();
  auto settled = [](const cVkPendingConnection& p) { return p.Settled(); };
  for (auto it = std::find_if(pending_.begin(), pending_.end(), settled); it != pending_.end() && !stop_.IsSet();
       it = std::find_if(pending_.begin(), pending_.end(), settled)) {
    cVkPendingConnection connection = std::move(*it);
    pending_.erase(it);
    s_.pendingCount = pending_.size();
    const bool session = connection.state == PendingState::Complete;
    RunSession(connection);
    if (!session) continue;
    const auto restart = std::chrono::steady_clock::now() + s_.authTimeout;
    for (cVkPendingConnection& p : pending_) p.deadline = restart;
  }
}

// While every slot is taken the listening socket is not watched: new
// connections wait in the backlog.
bool cListener::Serve() {
  std::vector<bool> readable;
  while (!stop_.IsSet()) {
    std::vector<cVkSocket*> sockets;
    for (cVkPendingConnection& p : pending_) sockets.push_back(p.socket.get());
    const bool accepting = pending_.size() < kMaxPendingConnections;
    if (accepting) sockets.push_back(&s_.listenSocket);
    const int32_t code = cVkSocket::WaitAnyReadable(sockets, Timeout(), &readable);
    if (code != 0) {
      log_.LogMsg(LOG_ERROR, code, u"An error has occurred while waiting for incoming connections. Errorcode %ld.",
                  code);
      return false;
    }
    if (stop_.IsSet()) break;
    for (size_t i = 0; i < pending_.size(); ++i)
      if (readable[i]) pending_[i].ReceiveAvailable();
    if (accepting && readable.back() && !AcceptOne()) continue;
    ServeSettled();
  }
  return true;
}

}  // namespace

int32_t RunListener(const std::shared_ptr<cVkSessionManager::Shared>& shared, ManualResetEvent& stop) {
  cVkSessionManager::Shared& s = *shared;
  cOrkLog log;
  log.SetMemLogMask(LOG_ALL);
  log.SetFileLogMask(LOG_ALL);
  const cVkSessionSettings settings = SanitisedSettings(s.parts);
  if (settings.updateMode != CONNECTION_NORMAL) return 0;

  auto wake = stop.OnSet([&s] { s.WakeAll(); });
  bool failed = OpenListener(s, log, settings.updatePort) != 0;
  if (!failed) failed = !cListener(s, log, stop).Serve();
  s.DisarmListen();
  const int32_t closed = s.listenSocket.Close(log);
  if (closed != 0) {
    log.LogMsg(LOG_ERROR, closed, u"An error has occurred while closing the listen socket. Errorcode %ld.", closed);
    failed = true;
  }
  if (failed && s.parts.logFile) s.parts.logFile->AppendLogToFile(log);
  return failed ? -1 : 0;
}

}  // namespace vk
