#include "agent/input/input_handler.h"

#include <algorithm>
#include <array>

#include "platform/core/error_codes.h"

#include "common/protocol/input_codes.h"
#include "common/protocol/virtual_keys.h"
#include "platform/datagram/datagram_channel.h"

namespace {

// Larger than a datagram, so that a longer one is seen as such (and dropped)
// instead of being cut to size.
constexpr size_t kReceiveBufferSize = 64;

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

cVkInputHandler::cVkInputHandler(cVkInputSessionLink& session, vk::PowerControl& power,
                                 std::unique_ptr<vk::InputInjector> injector, cVkLocalInputBlocker& blocker)
    : session_(session), power_(power), injector_(std::move(injector)), blocker_(blocker) {}

cVkInputHandler::~cVkInputHandler() {
  cOrkLog log;
  Stop(log);
}

int32_t cVkInputHandler::Start(cOrkLog& log, uint32_t viewerAddress) {
  (void)log;
  cVkInputSettings settings = session_.GetInputSettings();
  {
    std::lock_guard<std::mutex> hold(stateLock_);
    viewerAddress_ = viewerAddress;
    settings_ = settings;
    if (threadRunning_) return 0;
  }
  // A thread that ended on its own (socket failure) is collected first.
  if (thread_.joinable()) thread_.join();
  channel_ = std::make_unique<vk::DatagramChannel>();
  {
    std::lock_guard<std::mutex> hold(stateLock_);
    threadRunning_ = true;
    listeningSettled_ = false;
    listening_ = false;
    grantedMask_ = 0;
  }
  replayed_ = 0;
  dropped_ = 0;
  BlockLocalInput(settings.inputFlags);
  thread_ = std::thread([this] { InputThread(); });
  return 0;
}

int32_t cVkInputHandler::Stop(cOrkLog& log) {
  (void)log;
  if (channel_) channel_->Interrupt();
  if (thread_.joinable()) thread_.join();
  channel_.reset();
  UnblockLocalInput();
  injector_->Close();
  std::lock_guard<std::mutex> hold(stateLock_);
  settings_ = cVkInputSettings{};
  grantedMask_ = 0;
  return 0;
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

void cVkInputHandler::InputThread() {
  cOrkLog log;
  log.SetMemLogMask(LOG_ALL);
  bool failed = false;
  cVkInputSettings settings;
  {
    std::lock_guard<std::mutex> hold(stateLock_);
    settings = settings_;
  }
  if (settings.inputMode == CONNECTION_NORMAL) {
    failed = !OpenChannel(log);
    if (!failed) failed = !ReceiveLoop(log);
  }
  SetListening(false, 0);
  if (channel_->IsOpen()) {
    if (int32_t code = channel_->Close()) {
      log.LogNetMsg(LOG_ERROR, code, u"An error has occured while closing the input socket. Errorcode %ld.", code);
      failed = true;
    }
  }
  if (failed) session_.AppendLogToFile(log);
  std::lock_guard<std::mutex> hold(stateLock_);
  threadRunning_ = false;
}

bool cVkInputHandler::OpenChannel(cOrkLog& log) {
  uint32_t grantedMask = 0;
  if (int32_t code = session_.ImpersonateViewer(log, &grantedMask)) {
    log.LogMsg(LOG_ERROR, code, u"An error has occured while impersonating a user. Errorcode %ld.", code);
    return false;
  }
  uint16_t port;
  {
    std::lock_guard<std::mutex> hold(stateLock_);
    grantedMask_ = grantedMask;
    port = settings_.inputPort;
  }
  if (int32_t code = channel_->Create()) {
    log.LogNetMsg(LOG_ERROR, code, u"An error has occured while creating the input socket. Errorcode %ld.", code);
    return false;
  }
  if (int32_t code = channel_->Bind(port)) {
    log.LogNetMsg(LOG_ERROR, code, u"An error has occured while binding the input socket. Errorcode %ld.", code);
    return false;
  }
  SetListening(true, channel_->LocalPort());
  return true;
}

// One datagram per receive; anything that is not exactly one datagram from
// the viewer is dropped, and only a real socket failure ends the loop.
bool cVkInputHandler::ReceiveLoop(cOrkLog& log) {
  std::array<uint8_t, kReceiveBufferSize> buffer;
  for (;;) {
    bool readable = false;
    if (int32_t code = channel_->Wait(readable)) {
      log.LogNetMsg(LOG_ERROR, code, u"An error has occurred while waiting for input. Errorcode %ld.", code);
      return false;
    }
    if (!readable) return true;  // stopped
    size_t length = 0;
    uint32_t sender = 0;
    if (int32_t code = channel_->ReceiveOne(buffer, length, sender)) {
      log.LogNetMsg(LOG_ERROR, code, u"An error has occured while receiving input from the client. Errorcode %ld.",
                    code);
      return false;
    }
    if (length == 0 && sender == 0) continue;  // nothing waiting after all
    uint32_t viewer;
    {
      std::lock_guard<std::mutex> hold(stateLock_);
      viewer = viewerAddress_;
    }
    auto datagram = vk::DecodeInputDatagram(std::span<const uint8_t>(buffer.data(), std::min(length, buffer.size())));
    if (sender != viewer || length != vk::kInputDatagramSize || !datagram) {
      ++dropped_;
      continue;
    }
    int32_t result = Replay(log, datagram->code, datagram->param1, datagram->param2);
    ++replayed_;
    if (int32_t code = result) {
      log.LogMsg(LOG_ERROR, code, u"An error has occured while simulating input from the client. Errorcode %ld.",
                 code);
      session_.AppendLogToFile(log);
    }
  }
}

int32_t cVkInputHandler::Replay(cOrkLog& log, uint32_t code, uint32_t param1, uint32_t param2) {
  uint32_t flags, grantedMask;
  {
    std::lock_guard<std::mutex> hold(stateLock_);
    flags = settings_.inputFlags;
    grantedMask = grantedMask_;
  }
  // A viewer without the change right may only ask for the screen again.
  bool mayControl = (grantedMask & SESSION_RIGHT_CHANGE) != 0;
  if (!mayControl && code != INPUT_CMD_FULL_REFRESH) return 0;
  std::lock_guard<std::mutex> replaying(replayLock_);
  Outcome outcome;
  if (int32_t failure = injector_->Open()) {
    log.LogMsg(LOG_ERROR, failure,
               u"An error has occurred while setting the input thread to the current desktop. Errorcode %ld.",
               failure);
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
    case WM_MOUSEMOVE: outcome.Step(injector_->MoveTo(x, y)); break;
    case WM_LBUTTONDOWN: outcome.Step(injector_->Button(vk::MouseButton::Left, true)); break;
    case WM_LBUTTONUP: outcome.Step(injector_->Button(vk::MouseButton::Left, false)); break;
    case WM_LBUTTONDBLCLK: click(vk::MouseButton::Left, 2); break;
    case WM_RBUTTONDOWN: outcome.Step(injector_->Button(vk::MouseButton::Right, true)); break;
    case WM_RBUTTONUP: outcome.Step(injector_->Button(vk::MouseButton::Right, false)); break;
    case WM_RBUTTONDBLCLK: click(vk::MouseButton::Right, 2); break;
    case WM_MBUTTONDOWN: outcome.Step(injector_->Button(vk::MouseButton::Middle, true)); break;
    case WM_MBUTTONUP: outcome.Step(injector_->Button(vk::MouseButton::Middle, false)); break;
    case WM_MBUTTONDBLCLK: click(vk::MouseButton::Middle, 2); break;
    case WM_MOUSEWHEEL: outcome.Step(injector_->Wheel(vk::WheelDelta(param1))); break;
  }
}

void cVkInputHandler::ReplayKeyboard(cOrkLog& log, Outcome& outcome, uint32_t code, uint32_t param1,
                                     uint32_t param2) {
  uint8_t v = static_cast<uint8_t>(param1 & 0xFF);
  // The key data says whether the key is extended and whether it is being
  // released; the virtual key alone cannot tell right Ctrl from left.
  bool extended = vk::KeyDataExtended(param2);
  switch (code) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: ReplayKey(outcome, v, extended, false); break;
    case WM_KEYUP:
    case WM_SYSKEYUP: ReplayKey(outcome, v, extended, true); break;
    case WM_DEADCHAR:
    case WM_SYSDEADCHAR: ReplayKey(outcome, v, extended, vk::KeyDataReleased(param2)); break;
    case INPUT_CMD_CTRL_ALT_DEL: {
      uint32_t flags;
      {
        std::lock_guard<std::mutex> hold(stateLock_);
        flags = settings_.inputFlags;
      }
      if (flags & INPUT_ALLOW_CTRL_ALT_DEL) ReplayKeyCombination(outcome, {VK_LCONTROL, VK_LMENU, VK_DELETE});
      break;
    }
    case INPUT_CMD_FULL_REFRESH: session_.AddFullScreen(); break;
    case INPUT_CMD_CTRL_SHIFT_ESC: ReplayKeyCombination(outcome, {VK_LSHIFT, VK_LCONTROL, VK_ESCAPE}); break;
    case INPUT_CMD_END_SESSION: EndLocalSession(log, outcome, param1); break;
    case INPUT_CMD_ALT_F4: ReplayKeyCombination(outcome, {VK_LMENU, VK_F4}); break;
    default: break;  // characters and codes without a meaning here
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
    case END_SESSION_LOGOFF: action = vk::PowerAction::LogOff; break;
    case END_SESSION_SHUTDOWN: action = vk::PowerAction::ShutDown; break;
    case END_SESSION_RESTART: action = vk::PowerAction::Restart; break;
    default:
      // Only the three plain options travel; other bits (force, power off)
      // are not the viewer's to set.
      log.LogMsg(LOG_ERROR, ERROR_INVALID_PARAMETER, u"Error shutting down system. Errorcode %ld.",
                 ERROR_INVALID_PARAMETER);
      outcome.Step(ERROR_INVALID_PARAMETER);
      return;
  }
  uint32_t grantedMask = 0;
  if (int32_t code = session_.ImpersonateViewer(log, &grantedMask)) {
    log.LogMsg(LOG_ERROR, code, u"An error has occured while impersonating a user. Errorcode %ld.", code);
    outcome.Step(code);
    return;
  }
  if (int32_t code = power_.Perform(action)) {
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
    blocker_.DisableKeyboard();
    blocked |= INPUT_DISABLE_LOCAL_KEYBOARD;
  }
  if (inputFlags & INPUT_DISABLE_LOCAL_MOUSE) {
    blocker_.DisableMouse();
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
  if (blocked & INPUT_DISABLE_LOCAL_KEYBOARD) blocker_.EnableKeyboard();
  if (blocked & INPUT_DISABLE_LOCAL_MOUSE) blocker_.EnableMouse();
}
