#include "agent/input/input_handler.h"

#include <algorithm>
#include <array>

#include "agent/security/access_rights.h"
#include "agent/service/log_sink.h"
#include "agent/worker/stop_worker_thread.h"
#include "common/protocol/input_codes.h"
#include "common/protocol/virtual_keys.h"
#include "common/socket/socket.h"
#include "platform/core/error_codes.h"

namespace {

// The input socket's readiness wait, in seconds.
constexpr int32_t kInputWaitSeconds = 5;

bool IsMouseCode(uint32_t code) { return code >= WM_MOUSEMOVE && code <= WM_MOUSEWHEEL; }

}  // namespace

// The result of one replay: the last failure's code, or -1 when a failure
// was logged but the last step succeeded.
struct cVkInputHandler::Outcome {
  int32_t lastFailure = 0;
  bool lastStepFailed = false;
  void Step(int32_t code) {
    lastStepFailed = code != 0;
    if (code != 0) lastFailure = code;
  }
  int32_t Result() const {
    if (lastFailure == 0) return 0;
    return lastStepFailed ? lastFailure : -1;
  }
};

cVkInputHandler::cVkInputHandler(cVkInputHandlerLinks links, std::unique_ptr<vk::iVkInputInjector> injector)
    : links_(std::move(links)), injector_(std::move(injector)) {}

cVkInputHandler::~cVkInputHandler() {
  cOrkLog log;
  Stop(log);
}

void cVkInputHandler::AppendToFile(cOrkLog& log) {
  if (links_.logFile) links_.logFile->AppendLogToFile(log);
}

int32_t cVkInputHandler::Start(cOrkLog& log, uint32_t viewerAddress, uint32_t grantedMask) {
  const cVkInputSettings settings = links_.settings ? links_.settings() : cVkInputSettings{};
  {
    std::lock_guard<std::mutex> hold(stateLock_);
    viewerAddress_ = viewerAddress;
    settings_ = settings;
    grantedMask_ = grantedMask;
    if (threadRunning_) return 0;
  }
  // A thread that ended on its own (socket failure) is collected first.
  StopWorkerThread(log, thread_);
  {
    std::lock_guard<std::mutex> hold(stateLock_);
    threadRunning_ = true;
    listeningSettled_ = false;
    listening_ = false;
  }
  replayed_ = 0;
  dropped_ = 0;
  // Only a viewer who may control the desktop takes it from the person at it.
  if (grantedMask & RIGHT_CHANGE) BlockLocalInput(settings.inputFlags);
  const int32_t code = thread_.Start([this](vk::ManualResetEvent& stop) { return InputThread(stop); });
  if (code != 0) {
    log.LogNetMsg(LOG_ERROR, code, u"Error duplicating the Input threadhandle. Errorcode %ld.", code);
    UnblockLocalInput();
    std::lock_guard<std::mutex> hold(stateLock_);
    threadRunning_ = false;
  }
  return code;
}

int32_t cVkInputHandler::Stop(cOrkLog& log) {
  const int32_t code = StopWorkerThread(log, thread_);
  if (code != 0)
    log.LogMsg(LOG_ERROR, code, u"An error has occurred while stopping the Input thread. Errorcode %ld.", code);
  UnblockLocalInput();
  if (code == 0) injector_->Close();  // a thread that was let go may still use it
  std::lock_guard<std::mutex> hold(stateLock_);
  settings_ = cVkInputSettings{};
  grantedMask_ = 0;
  return code;
}

bool cVkInputHandler::WaitUntilListening(std::chrono::milliseconds timeout) const {
  std::unique_lock<std::mutex> hold(stateLock_);
  stateChanged_.wait_for(hold, timeout, [this] { return listeningSettled_; });
  return listening_;
}

void cVkInputHandler::SetListening(bool listening, uint16_t port) {
  listeningPort_ = port;
  std::lock_guard<std::mutex> hold(stateLock_);
  listeningSettled_ = true;
  listening_ = listening;
  stateChanged_.notify_all();
}

int32_t cVkInputHandler::InputThread(vk::ManualResetEvent& stop) {
  cOrkLog log;
  log.SetMemLogMask(LOG_ALL);
  log.SetFileLogMask(LOG_ALL);
  bool failed = false;
  uint16_t mode;
  {
    std::lock_guard<std::mutex> hold(stateLock_);
    mode = settings_.inputMode;
  }
  cVkSocket socket(kInputWaitSeconds);
  if (mode == CONNECTION_NORMAL) {
    failed = !OpenSocket(log, socket);
    if (!failed) {
      // A stop shuts the socket down, which ends a wait or a receive at once.
      auto wake = stop.OnSet([&socket] { socket.Shutdown(); });
      failed = !ReceiveLoop(log, socket, stop);
    }
  }
  SetListening(false, 0);
  if (int32_t code = socket.Close(log)) {
    log.LogNetMsg(LOG_ERROR, code, u"An error has occured while closing the input socket. Errorcode %ld.", code);
    failed = true;
  }
  if (failed) AppendToFile(log);
  std::lock_guard<std::mutex> hold(stateLock_);
  threadRunning_ = false;
  return failed ? -1 : 0;
}

bool cVkInputHandler::OpenSocket(cOrkLog& log, cVkSocket& socket) {
  uint32_t grantedMask = 0;
  if (int32_t code = links_.session.ImpersonateViewer(log, &grantedMask)) {
    log.LogMsg(LOG_ERROR, code, u"An error has occured while impersonating a user. Errorcode %ld.", code);
    return false;
  }
  uint16_t port;
  {
    std::lock_guard<std::mutex> hold(stateLock_);
    grantedMask_ = grantedMask;
    port = settings_.inputPort;
  }
  if (int32_t code = socket.Create(log, vk::net::kDatagram)) {
    log.LogNetMsg(LOG_ERROR, code, u"An error has occured while creating the input socket. Errorcode %ld.", code);
    return false;
  }
  if (int32_t code = socket.Bind(log, port)) {
    log.LogNetMsg(LOG_ERROR, code, u"An error has occured while binding the input socket. Errorcode %ld.", code);
    return false;
  }
  SetListening(true, socket.LocalPort());
  return true;
}

// One datagram per receive; anything that is not exactly one datagram from
// the viewer is dropped, and only a real socket failure ends the loop.
bool cVkInputHandler::ReceiveLoop(cOrkLog& log, cVkSocket& socket, vk::ManualResetEvent& stop) {
  std::array<uint8_t, vk::kInputDatagramSize> buffer;
  while (!stop.IsSet()) {
    bool readable = false;
    if (int32_t code = socket.IsReadable(&readable)) {
      log.LogNetMsg(LOG_ERROR, code, u"An error has occurred while waiting for input. Errorcode %ld.", code);
      return false;
    }
    if (!readable || stop.IsSet()) continue;
    const uint64_t droppedBefore = socket.DroppedDatagrams();
    uint32_t sender = 0;
    const int32_t received = socket.ReceiveFrom(buffer.data(), buffer.size(), &sender);
    dropped_ += socket.DroppedDatagrams() - droppedBefore;
    if (received != 0 && stop.IsSet()) return true;  // woken by the stop
    if (received != 0) {
      log.LogNetMsg(LOG_ERROR, received, u"An error has occured while receiving input from the client. Errorcode %ld.",
                    received);
      return false;
    }
    uint32_t viewer;
    {
      std::lock_guard<std::mutex> hold(stateLock_);
      viewer = viewerAddress_;
    }
    auto datagram = vk::DecodeInputDatagram(buffer);
    if (sender != viewer || !datagram) {
      ++dropped_;
      continue;
    }
    int32_t result = Replay(log, datagram->code, datagram->param1, datagram->param2);
    ++replayed_;
    if (int32_t code = result) {
      log.LogMsg(LOG_ERROR, code, u"An error has occured while simulating input from the client. Errorcode %ld.", code);
      AppendToFile(log);
    }
  }
  return true;
}

int32_t cVkInputHandler::Replay(cOrkLog& log, uint32_t code, uint32_t param1, uint32_t param2) {
  uint32_t flags, grantedMask;
  {
    std::lock_guard<std::mutex> hold(stateLock_);
    flags = settings_.inputFlags;
    grantedMask = grantedMask_;
  }
  // A viewer without the change right may only ask for the screen again.
  bool mayControl = (grantedMask & RIGHT_CHANGE) != 0;
  if (!mayControl && code != INPUT_CMD_FULL_REFRESH) return 0;
  std::lock_guard<std::mutex> replaying(replayLock_);
  Outcome outcome;
  if (int32_t failure = injector_->Open()) {
    log.LogMsg(LOG_ERROR, failure,
               u"An error has occurred while setting the input thread to the current desktop. Errorcode %ld.", failure);
    outcome.Step(failure);
  }
  if (IsMouseCode(code)) {
    if (flags & INPUT_ALLOW_MOUSE) ReplayMouse(outcome, code, param1, param2);
  } else if (flags & INPUT_ALLOW_KEYBOARD) {
    ReplayKeyboard(log, outcome, code, param1, param2);
  }
  return outcome.Result();
}

void cVkInputHandler::ReplayMouse(Outcome& outcome, uint32_t code, uint32_t param1, uint32_t param2) {
  int32_t x = vk::PointX(param2), y = vk::PointY(param2);
  int32_t width = 0, height = 0;
  if (!injector_->ScreenSize(width, height)) {
    outcome.Step(ERROR_NOT_READY);
    return;
  }
  // Positions are agent screen pixels; one off the screen is not the viewer's.
  if (x < 0 || y < 0 || x >= width || y >= height) return;
  auto click = [&](vk::MouseButton button, int times) {
    for (int i = 0; i < times; ++i) {
      outcome.Step(injector_->Button(button, true));
      outcome.Step(injector_->Button(button, false));
    }
  };
  switch (code) {
    case WM_MOUSEMOVE:
      outcome.Step(injector_->MoveTo(x, y));
      break;
    case WM_LBUTTONDOWN:
      outcome.Step(injector_->Button(vk::MouseButton::Left, true));
      break;
    case WM_LBUTTONUP:
      outcome.Step(injector_->Button(vk::MouseButton::Left, false));
      break;
    case WM_LBUTTONDBLCLK:
      click(vk::MouseButton::Left, 2);
      break;
    case WM_RBUTTONDOWN:
      outcome.Step(injector_->Button(vk::MouseButton::Right, true));
      break;
    case WM_RBUTTONUP:
      outcome.Step(injector_->Button(vk::MouseButton::Right, false));
      break;
    case WM_RBUTTONDBLCLK:
      click(vk::MouseButton::Right, 2);
      break;
    case WM_MBUTTONDOWN:
      outcome.Step(injector_->Button(vk::MouseButton::Middle, true));
      break;
    case WM_MBUTTONUP:
      outcome.Step(injector_->Button(vk::MouseButton::Middle, false));
      break;
    case WM_MBUTTONDBLCLK:
      click(vk::MouseButton::Middle, 2);
      break;
    case WM_MOUSEWHEEL:
      outcome.Step(injector_->Wheel(vk::WheelDelta(param1)));
      break;
  }
}

void cVkInputHandler::ReplayKeyboard(cOrkLog& log, Outcome& outcome, uint32_t code, uint32_t param1, uint32_t param2) {
  uint8_t v = static_cast<uint8_t>(param1 & 0xFF);
  // The key data says whether the key is extended and whether it is being
  // released; the virtual key alone cannot tell right Ctrl from left.
  bool extended = vk::KeyDataExtended(param2);
  switch (code) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      ReplayKey(outcome, v, extended, false);
      break;
    case WM_KEYUP:
    case WM_SYSKEYUP:
      ReplayKey(outcome, v, extended, true);
      break;
    case WM_DEADCHAR:
    case WM_SYSDEADCHAR:
      ReplayKey(outcome, v, extended, vk::KeyDataReleased(param2));
      break;
    case INPUT_CMD_CTRL_ALT_DEL: {
      uint32_t flags;
      {
        std::lock_guard<std::mutex> hold(stateLock_);
        flags = settings_.inputFlags;
      }
      if (flags & INPUT_ALLOW_CTRL_ALT_DEL) ReplayKeyCombination(outcome, {VK_LCONTROL, VK_LMENU, VK_DELETE});
      break;
    }
    case INPUT_CMD_FULL_REFRESH:
      links_.screen.AddFullScreen();
      break;
    case INPUT_CMD_CTRL_SHIFT_ESC:
      ReplayKeyCombination(outcome, {VK_LSHIFT, VK_LCONTROL, VK_ESCAPE});
      break;
    case INPUT_CMD_END_SESSION:
      EndLocalSession(log, outcome, param1);
      break;
    case INPUT_CMD_ALT_F4:
      ReplayKeyCombination(outcome, {VK_LMENU, VK_F4});
      break;
    default:
      break;  // characters and codes without a meaning here
  }
}

void cVkInputHandler::ReplayKey(Outcome& outcome, uint8_t v, bool extended, bool release) {
  uint32_t keysym = vk::KeysymForVirtualKey(v, extended);
  if (keysym == 0) return;  // no such key
  outcome.Step(injector_->Key(keysym, !release));
}

// Presses the keys in order and releases them in reverse.
void cVkInputHandler::ReplayKeyCombination(Outcome& outcome, std::initializer_list<uint8_t> keys) {
  for (uint8_t v : keys) ReplayKey(outcome, v, false, false);
  for (auto it = std::rbegin(keys); it != std::rend(keys); ++it) ReplayKey(outcome, *it, false, true);
}

void cVkInputHandler::EndLocalSession(cOrkLog& log, Outcome& outcome, uint32_t option) {
  vk::PowerAction action;
  switch (option) {
    case END_SESSION_LOGOFF:
      action = vk::PowerAction::LogOff;
      break;
    case END_SESSION_SHUTDOWN:
      action = vk::PowerAction::ShutDown;
      break;
    case END_SESSION_RESTART:
      action = vk::PowerAction::Restart;
      break;
    default:
      // Only the three plain options travel; other bits (force, power off)
      // are not the viewer's to set.
      log.LogMsg(LOG_ERROR, ERROR_INVALID_PARAMETER, u"Error shutting down system. Errorcode %ld.",
                 ERROR_INVALID_PARAMETER);
      outcome.Step(ERROR_INVALID_PARAMETER);
      return;
  }
  uint32_t grantedMask = 0;
  if (int32_t code = links_.session.ImpersonateViewer(log, &grantedMask)) {
    log.LogMsg(LOG_ERROR, code, u"An error has occured while impersonating a user. Errorcode %ld.", code);
    outcome.Step(code);
    return;
  }
  if (int32_t code = links_.power.Perform(action)) {
    log.LogMsg(LOG_ERROR, code, u"Error shutting down system. Errorcode %ld.", code);
    outcome.Step(code);
    return;
  }
  // The thread goes on as the viewer: the service's own identity is never
  // taken back for input.
  outcome.Step(0);
}

void cVkInputHandler::BlockLocalInput(uint32_t inputFlags) {
  uint32_t blocked = 0;
  if (inputFlags & INPUT_DISABLE_LOCAL_KEYBOARD) {
    links_.blocker.DisableKeyboard();
    blocked |= INPUT_DISABLE_LOCAL_KEYBOARD;
  }
  if (inputFlags & INPUT_DISABLE_LOCAL_MOUSE) {
    links_.blocker.DisableMouse();
    blocked |= INPUT_DISABLE_LOCAL_MOUSE;
  }
  std::lock_guard<std::mutex> hold(stateLock_);
  blockedFlags_ |= blocked;
}

void cVkInputHandler::UnblockLocalInput() {
  uint32_t blocked;
  {
    std::lock_guard<std::mutex> hold(stateLock_);
    blocked = blockedFlags_;
    blockedFlags_ = 0;
  }
  if (blocked & INPUT_DISABLE_LOCAL_KEYBOARD) links_.blocker.EnableKeyboard();
  if (blocked & INPUT_DISABLE_LOCAL_MOUSE) links_.blocker.EnableMouse();
}
