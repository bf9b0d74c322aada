// The listening thread and the phases of one session.
#include <chrono>
#include <memory>
#include <thread>

#include "common/protocol/session_messages.h"
#include "common/archive/object.h"
#include "agent/session/session_shared.h"
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

class cSession {
 public:
  cSession(cVkSessionManager::Shared& shared, cOrkLog& log, ManualResetEvent& stop)
      : s_(shared), parts_(shared.parts), log_(log), stop_(stop) {}

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
    if (parts_.appendLogToFile) parts_.appendLogToFile(log_);
  }

  cVkSessionManager::Shared& s_;
  const cVkSessionParts& parts_;
  cOrkLog& log_;
  ManualResetEvent& stop_;
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

int32_t cSession::Connect() {
  const auto accepted = std::chrono::steady_clock::now();
  int32_t code = s_.listenSocket.Accept(log_, s_.sessionSocket);
  if (code != 0) {
    log_.LogNetMsg(LOG_ERROR, code, u"Error accepting new connection. Errorcode %ld.", code);
    return code;
  }
  s_.ArmSession();
  {
    std::lock_guard lock(s_.credentialsLock);
    s_.connected = true;
    s_.peerAddress = s_.sessionSocket.PeerAddress();
  }
  SetSocketOptions();
  code = AuthenticateViewer(s_, log_, accepted + s_.authTimeout);
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
  uint32_t granted = 0;
  {
    std::lock_guard lock(s_.credentialsLock);
    granted = s_.grantedMask;
  }
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
      {net::kSoRcvTimeo, kSessionTimeoutMs, u"Error setting socket option SO_RCVTIMEO for new connection. Errorcode %ld."},
      {net::kSoSndTimeo, kSessionTimeoutMs, u"Error setting socket option SO_SNDTIMEO for new connection. Errorcode %ld."},
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
  ManualResetEvent asked;
  std::thread watcher([this, &asked] {
    bool hungUp = false;
    while (!asked.WaitFor(250ms)) {
      bool readable = false;
      if (!hungUp) hungUp = s_.sessionSocket.IsReadable(&readable) != 0 || readable;
      // Repeated until the question is over: the console may hang up before
      // the question is open.
      if (hungUp) parts_.tray->CancelQuestion();
    }
  });
  parts_.tray->UpdateForSession();
  asked.Set();
  watcher.join();
}

int32_t cSession::Loop() {
  int32_t code = 0;
  iVkSessionScreen* screen = parts_.screen;
  while (code == 0 && !stop_.WaitFor(kSessionCycle)) {
    if (screen && screen->TakeFormatPending()) {
      std::unique_ptr<cVkObject> info = screen->MakeScreenInfo();
      code = info ? SendObjectOn(s_, kObjectMessage, *info) : ERROR_INVALID_DATA;
      info.reset();
      if (code != 0) {
        log_.LogMsg(LOG_ERROR, code, u"Error sending info to the client. Errorcode %ld.", code);
        log_.LogMsg(LOG_ERROR, code, u"An error has occurred while reinitializing a socket connection. Errorcode %ld.", code);
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
    log_.LogMsg(LOG_ERROR, desktop, u"An error has occurred while uninitializing the desktop manager. Errorcode %ld.", desktop);
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
    log_.LogMsg(LOG_ERROR, input, u"An error has occurred while uninitializing the input handler. Errorcode %ld.", input);
    if (code == 0) code = input;
  }
  s_.ClearViewer();
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
  if ((code = s.listenSocket.Listen(log)) != 0)
    log.LogMsg(LOG_ERROR, code, u"An error has occurred while listening on port %ld. Errorcode %ld.",
               static_cast<int32_t>(port), code);
  return code;
}

}  // namespace

int32_t RunListener(const std::shared_ptr<cVkSessionManager::Shared>& shared, ManualResetEvent& stop) {
  cVkSessionManager::Shared& s = *shared;
  cOrkLog log;
  log.SetMemLogMask(LOG_ALL);
  log.SetFileLogMask(LOG_ALL);
  const cVkSessionSettings settings = SanitisedSettings(s.parts);
  if (settings.updateMode != 2) return 0;

  auto wake = stop.OnSet([&s] { s.WakeAll(); });
  bool failed = OpenListener(s, log, settings.updatePort) != 0;
  while (!failed && !stop.IsSet()) {
    bool pending = false;
    const int32_t code = s.listenSocket.IsReadable(&pending);
    if (code != 0) {
      log.LogMsg(LOG_ERROR, code, u"An error has occurred while waiting for incoming connections. Errorcode %ld.", code);
      failed = true;
      break;
    }
    if (!pending || stop.IsSet()) continue;
    const int32_t result = cSession(s, log, stop).Run();
    if (result != 0) {
      log.LogMsg(LOG_ERROR, result, u"An error has occurred while communicating. Errorcode %ld.", result);
      if (s.parts.appendLogToFile) s.parts.appendLogToFile(log);
    }
    log.Clear();  // each session reports only its own lines
  }
  s.DisarmListen();
  const int32_t closed = s.listenSocket.Close(log);
  if (closed != 0) {
    log.LogMsg(LOG_ERROR, closed, u"An error has occurred while closing the listen socket. Errorcode %ld.", closed);
    failed = true;
  }
  if (failed && s.parts.appendLogToFile) s.parts.appendLogToFile(log);
  return failed ? -1 : 0;
}

}  // namespace vk
