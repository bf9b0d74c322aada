#include "agent/tray/tray_manager.h"

#include "agent/tray/tray_gui_host.h"
#include "agent/tray/tray_texts.h"
#include "agent/worker/stop_worker_thread.h"
#include "platform/xtest/input_injector.h"

namespace {

// Notification modes outside the four known ones ask, the safest choice.
uint32_t SanitisedMode(uint32_t mode) {
  return (mode >= NOTIFY_SILENT && mode <= NOTIFY_QUESTION) ? mode : NOTIFY_QUESTION;
}

std::u16string WithViewer(const char16_t* format, const std::u16string& viewer) {
  std::u16string text = format;
  size_t at = text.find(u"%s");
  if (at != std::u16string::npos) text.replace(at, 2, viewer);
  return text;
}

}  // namespace

cVkTrayManager::cVkTrayManager(const vk::iVkViewerQuery& viewers, std::function<uint32_t()> notificationMode,
                               std::string displayName)
    : viewers_(viewers), notificationMode_(std::move(notificationMode)), displayName_(std::move(displayName)) {
  state_.tipText = tray_text::kServiceTip;
}

cVkTrayManager::~cVkTrayManager() {
  cOrkLog log;
  Uninitialize(log);
}

uint32_t cVkTrayManager::NotificationMode() const { return notificationMode_ ? notificationMode_() : NOTIFY_QUESTION; }

int32_t cVkTrayManager::Initialize(cOrkLog& log) {
  std::lock_guard<std::mutex> hold(lock_);
  if (thread_.Running()) return 0;
  stopping_ = false;
  const int32_t code = thread_.Start([this](vk::ManualResetEvent&) { return TrayThread(); });
  if (code != 0)
    log.LogNetMsg(LOG_ERROR, code,
                  u"An error has occurred while duplicating the Tray Icon Window threadhandle. Errorcode %ld.", code);
  return code;
}

int32_t cVkTrayManager::Uninitialize(cOrkLog& log) {
  {
    std::lock_guard<std::mutex> hold(lock_);
    if (!thread_.Running()) return 0;
    stopping_ = true;
    if (host_) host_->Quit();
    changed_.notify_all();
  }
  const int32_t code = StopWorkerThread(log, thread_);
  if (code != 0)
    log.LogMsg(LOG_ERROR, code, u"An error has occurred while stopping the Tray Icon thread. Errorcode %ld.", code);
  std::lock_guard<std::mutex> hold(lock_);
  state_.iconState = TRAY_NO_ICON;
  return code;
}

int32_t cVkTrayManager::TrayThread() {
  if (!WaitForDisplay()) return 0;
  cVkTrayGuiHost host(*this, displayName_);
  {
    std::lock_guard<std::mutex> hold(lock_);
    if (stopping_) return 0;
    host_ = &host;
    PublishState(false);
    changed_.notify_all();
  }
  host.Run();
  std::lock_guard<std::mutex> hold(lock_);
  host_ = nullptr;
  changed_.notify_all();
  return 0;
}

// At boot the X server may come after the agent: the GUI waits for it.
bool cVkTrayManager::WaitForDisplay() {
  std::unique_lock<std::mutex> hold(lock_);
  for (;;) {
    if (stopping_) return false;
    hold.unlock();
    bool reachable = vk::XDisplayReachable(displayName_);
    hold.lock();
    if (reachable) return !stopping_;
    changed_.wait_for(hold, displayRetry_, [this] { return stopping_; });
  }
}

bool cVkTrayManager::IsGuiReady() {
  std::lock_guard<std::mutex> hold(lock_);
  return host_ != nullptr;
}

bool cVkTrayManager::WaitForGui(std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> hold(lock_);
  return changed_.wait_for(hold, timeout, [this] { return host_ != nullptr; });
}

cVkTrayGuiHost* cVkTrayManager::Host() {
  std::lock_guard<std::mutex> hold(lock_);
  return host_;
}

cVkTrayState cVkTrayManager::State() {
  std::lock_guard<std::mutex> hold(lock_);
  return state_;
}

bool cVkTrayManager::IsViewingAllowed() {
  std::lock_guard<std::mutex> hold(lock_);
  return state_.iconState == TRAY_ALLOWED || state_.iconState == TRAY_NO_ICON;
}

void cVkTrayManager::SetTexts(std::u16string tip, std::u16string title, std::u16string text, uint32_t icon) {
  state_.tipText = std::move(tip);
  state_.balloonTitle = std::move(title);
  state_.balloonText = std::move(text);
  state_.balloonIcon = icon;
  state_.balloonPending = true;
}

// Under the lock.
void cVkTrayManager::SetIcon(uint32_t state) {
  state_.iconState = state;
  PublishState(true);
  state_.balloonPending = false;
}

// Under the lock: hands a copy of the state to the GUI thread.
void cVkTrayManager::PublishState(bool withBalloon) {
  if (!host_) return;
  cVkTrayState copy = state_;
  if (!withBalloon) copy.balloonPending = false;
  // The notification area's limits: tooltip 128, balloon text 255, title 63.
  if (copy.tipText.size() > 128) copy.tipText.resize(128);
  if (copy.balloonText.size() > 255) copy.balloonText.resize(255);
  if (copy.balloonTitle.size() > 63) copy.balloonTitle.resize(63);
  host_->Show(copy);
}

void cVkTrayManager::RefreshIcon() {
  std::lock_guard<std::mutex> hold(lock_);
  PublishState(false);
}

void cVkTrayManager::UpdateForSession() {
  uint32_t mode = SanitisedMode(NotificationMode());
  cVkViewerInfo viewer = viewers_.GetViewerInfo();
  std::unique_lock<std::mutex> hold(lock_);
  state_.notificationMode = mode;
  state_.tipText.clear();
  state_.balloonText.clear();
  state_.balloonTitle.clear();
  state_.balloonPending = false;
  if (mode == NOTIFY_SILENT) {
    SetIcon(TRAY_NO_ICON);
    return;
  }
  if (!viewer.connected) {
    state_.tipText = tray_text::kNotInUse;
    if (mode == NOTIFY_WARNING)
      SetTexts(tray_text::kNotInUse, tray_text::kInformationLower, tray_text::kNotInUse, BALLOON_INFORMATION);
    if (mode == NOTIFY_QUESTION)
      SetTexts(tray_text::kNotInUse, tray_text::kWarningLower, tray_text::kNotInUse, BALLOON_INFORMATION);
    SetIcon(TRAY_ALLOWED);
    return;
  }
  std::u16string viewed = WithViewer(tray_text::kBeingViewed, viewer.viewerName);
  if (mode == NOTIFY_INFORMATION) {
    state_.tipText = viewed;
    SetIcon(TRAY_ALLOWED);
    return;
  }
  if (mode == NOTIFY_WARNING) {
    SetTexts(viewed, tray_text::kWarningLower, viewed, BALLOON_WARNING);
    SetIcon(TRAY_ALLOWED);
    return;
  }
  SetTexts(u"", tray_text::kQuestionTitle, WithViewer(tray_text::kWantsToView, viewer.viewerName), BALLOON_INFORMATION);
  SetIcon(TRAY_QUESTION);
  bool yes = AskQuestion(hold);
  if (yes) {
    SetTexts(viewed, tray_text::kWarningTitle, tray_text::kAllowedBalloon, BALLOON_WARNING);
    SetIcon(TRAY_ALLOWED);
  } else {
    SetTexts(tray_text::kDisallowedTip, tray_text::kInformationTitle, tray_text::kDisallowedBalloon, BALLOON_ERROR);
    SetIcon(TRAY_DISALLOWED);
  }
}

// Puts the question on the display and waits for the answer without holding
// the lock (the wait releases it). No GUI, no answer in time, a stop or a
// cancelled session: "No".
bool cVkTrayManager::AskQuestion(std::unique_lock<std::mutex>& hold) {
  if (!host_ || stopping_) return false;
  uint64_t id = ++questionId_;
  question_ = Question{id, true, false, false, false};
  host_->Ask(id);
  bool settled = changed_.wait_for(hold, questionTimeout_, [this, id] {
    return question_.id != id || question_.answered || question_.cancelled || stopping_;
  });
  bool yes = settled && question_.id == id && question_.answered && question_.yes && !stopping_ && !question_.cancelled;
  if (!question_.answered && host_) host_->CloseQuestion(id);
  question_.open = false;
  changed_.notify_all();
  return yes;
}

void cVkTrayManager::AnswerQuestion(uint64_t id, bool yes) {
  std::lock_guard<std::mutex> hold(lock_);
  if (question_.id != id || !question_.open || question_.answered) return;
  question_.answered = true;
  question_.yes = yes;
  changed_.notify_all();
}

void cVkTrayManager::QuestionShown(uint64_t id) {
  std::lock_guard<std::mutex> hold(lock_);
  if (question_.id == id && question_.open) question_.shown = true;
  changed_.notify_all();
}

bool cVkTrayManager::WaitForQuestionShown(std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> hold(lock_);
  return changed_.wait_for(hold, timeout, [this] { return question_.open && question_.shown; });
}

void cVkTrayManager::CancelQuestion() {
  std::lock_guard<std::mutex> hold(lock_);
  if (question_.open) question_.cancelled = true;
  changed_.notify_all();
}

void cVkTrayManager::ToggleAllowed() {
  cVkViewerInfo viewer = viewers_.GetViewerInfo();
  std::lock_guard<std::mutex> hold(lock_);
  if (state_.iconState == TRAY_DISALLOWED) {
    SetTexts(WithViewer(tray_text::kBeingViewed, viewer.viewerName), tray_text::kInformationTitle,
             tray_text::kAllowedBalloon, BALLOON_INFORMATION);
    SetIcon(TRAY_ALLOWED);
  } else {
    SetTexts(tray_text::kDisallowedMenuTip, tray_text::kWarningTitle, tray_text::kDisallowedBalloon, BALLOON_ERROR);
    SetIcon(TRAY_DISALLOWED);
  }
}

cVkViewerInfo cVkTrayManager::ViewerInfo() { return viewers_.GetViewerInfo(); }
