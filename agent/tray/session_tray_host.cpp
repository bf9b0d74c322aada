#include "agent/tray/session_tray_host.h"

#include "platform/core/error_codes.h"
#include "platform/logind/session_environment.h"

using vk::logind::LoginSession;
using vk::traylink::MessageType;
using vk::traylink::TrayMessage;

namespace {

// Only a user's own X11 session gets a helper: the login screen belongs to
// nobody who could answer, and a root session needs no tray as another user.
bool WantsHelper(const LoginSession& session) {
  return !session.Empty() && session.IsX11() && !session.IsGreeter() && session.uid != 0;
}

TrayMessage StateMessage(const cVkTrayState& state) {
  TrayMessage m;
  m.type = MessageType::State;
  m.iconState = state.iconState;
  m.notificationMode = state.notificationMode;
  m.balloonIcon = state.balloonIcon;
  m.balloonPending = state.balloonPending;
  m.tipText = state.tipText;
  m.balloonTitle = state.balloonTitle;
  m.balloonText = state.balloonText;
  return m;
}

TrayMessage ViewerMessage(const cVkViewerInfo& viewer) {
  TrayMessage m;
  m.type = MessageType::Viewer;
  m.connected = viewer.connected;
  m.address = viewer.address;
  m.viewerName = viewer.viewerName;
  return m;
}

TrayMessage QuestionMessage(MessageType type, uint64_t id) {
  TrayMessage m;
  m.type = type;
  m.questionId = id;
  return m;
}

}  // namespace

cVkSessionTrayHost::cVkSessionTrayHost(cVkTrayHelperEvents& events, Config config)
    : events_(events), config_(std::move(config)) {}

cVkSessionTrayHost::~cVkSessionTrayHost() { Stop(); }

int32_t cVkSessionTrayHost::Start(cOrkLog& log) {
  const int32_t code = Follow(false);
  if (code != 0)
    log.LogNetMsg(LOG_ERROR, static_cast<uint32_t>(code),
                  u"An error has occurred while following the active session. Errorcode %ld.", code);
  return code;
}

int32_t cVkSessionTrayHost::Follow(bool retry) {
  {
    std::lock_guard hold(watchLock_);
    if (watcher_ || starting_) return 0;
    const auto now = std::chrono::steady_clock::now();
    if (retry && (!following_ || now - lastTry_ < std::chrono::seconds(1))) return 0;
    following_ = true;
    starting_ = true;
    lastTry_ = now;
  }
  // Without the lock: the first report comes on this thread, and a helper
  // it starts makes the tray show its state here (Show follows too).
  std::unique_ptr<vk::logind::SessionWatcher> started;
  const int32_t code = vk::logind::SessionWatcher::Start(
      config_.busAddress, [this](const LoginSession& session) { SessionChanged(session); }, &started);
  bool stopped = false;
  {
    std::lock_guard hold(watchLock_);
    starting_ = false;
    stopped = !following_;
    if (!stopped) watcher_ = std::move(started);
  }
  if (stopped) {
    started.reset();
    DropHelper();  // one the first report started after Stop
  }
  return code;
}

void cVkSessionTrayHost::Stop() {
  std::unique_ptr<vk::logind::SessionWatcher> watcher;
  {
    std::lock_guard hold(watchLock_);
    following_ = false;
    watcher = std::move(watcher_);
  }
  watcher.reset();  // outside the lock: its thread may be reporting
  DropHelper();
}

void cVkSessionTrayHost::DropHelper() {
  std::unique_ptr<cVkTrayHelperLink> old;
  {
    std::lock_guard hold(lock_);
    old = std::move(link_);
    sessionId_.clear();
  }
  old.reset();
}

bool cVkSessionTrayHost::HelperRunning() {
  std::lock_guard hold(lock_);
  return link_ && !link_->Ended();
}

int cVkSessionTrayHost::HelperPid() {
  std::lock_guard hold(lock_);
  return link_ ? link_->HelperPid() : -1;
}

// On the watcher's thread.
void cVkSessionTrayHost::SessionChanged(const LoginSession& session) {
  std::unique_ptr<cVkTrayHelperLink> old, started;
  {
    std::lock_guard hold(lock_);
    if (session.id == sessionId_ && link_) return;
    old = std::move(link_);
    sessionId_ = session.id;
  }
  const bool hadHelper = old != nullptr;
  old.reset();  // outside the lock: its reader may be calling us
  if (hadHelper) events_.HelperChanged(false);
  if (!WantsHelper(session)) return;
  StartHelper(session, &started);
  if (!started) return;
  {
    std::lock_guard hold(lock_);
    if (sessionId_ != session.id) return;  // left again meanwhile; `started` goes below
    link_ = std::move(started);
  }
  events_.HelperChanged(true);
}

void cVkSessionTrayHost::StartHelper(const LoginSession& session, std::unique_ptr<cVkTrayHelperLink>* link) {
  vk::UserProcessLaunch launch;
  launch.program = config_.helperProgram;
  launch.uid = session.uid;
  launch.environment = vk::logind::SessionEnvironment(session);
  launch.environment.insert(launch.environment.end(), config_.extraEnvironment.begin(), config_.extraEnvironment.end());
  cVkTrayHelperLink::Events events{[this](const TrayMessage& m) { HelperEvent(m); },
                                   [this](cVkTrayHelperLink::End end) { HelperEnded(end); }};
  if (int32_t code = cVkTrayHelperLink::Start(launch, std::move(events), link); code != 0)
    WriteFailure(code, u"An error has occurred while starting the tray helper. Errorcode %ld.");
}

// On the link's thread.
void cVkSessionTrayHost::HelperEvent(const TrayMessage& message) {
  switch (message.type) {
    case MessageType::Answer:
      events_.AnswerQuestion(message.questionId, message.yes);
      return;
    case MessageType::QuestionShown:
      events_.QuestionShown(message.questionId);
      return;
    case MessageType::Toggle:
      events_.ToggleAllowed();
      return;
    default:
      return;  // the link lets only the helper's types through
  }
}

// On the link's thread (or a sender's): the link stays until the session
// changes, so that a failing helper is not started again and again.
void cVkSessionTrayHost::HelperEnded(cVkTrayHelperLink::End end) {
  if (end == cVkTrayHelperLink::End::Malformed)
    WriteFailure(ERROR_INVALID_DATA, u"The tray helper sent a malformed message and has been stopped. Errorcode %ld.");
  if (end == cVkTrayHelperLink::End::NotReading)
    WriteFailure(ERROR_BUSY, u"The tray helper does not read its messages and has been stopped. Errorcode %ld.");
  events_.HelperChanged(false);
}

void cVkSessionTrayHost::WriteFailure(int32_t code, const char16_t* text) {
  cOrkLog log;
  log.SetMemLogMask(LOG_ALL);
  log.SetFileLogMask(LOG_ALL);
  log.LogNetMsg(LOG_ERROR, static_cast<uint32_t>(code), vk::RuntimeFormat(std::u16string_view(text)), code);
  if (config_.writeLog) config_.writeLog(log);
}

bool cVkSessionTrayHost::Send(const TrayMessage& message) {
  std::lock_guard hold(lock_);
  return link_ && link_->Send(message);
}

void cVkSessionTrayHost::Show(const cVkTrayState& state, const cVkViewerInfo& viewer) {
  Follow(true);
  Send(ViewerMessage(viewer));
  Send(StateMessage(state));
}

void cVkSessionTrayHost::Ask(uint64_t id) {
  Follow(true);
  Send(QuestionMessage(MessageType::Ask, id));
}

void cVkSessionTrayHost::CloseQuestion(uint64_t id) { Send(QuestionMessage(MessageType::CloseQuestion, id)); }
