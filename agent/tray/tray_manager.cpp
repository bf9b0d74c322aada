#include "agent/tray/tray_manager.h"

#include "agent/tray/tray_texts.h"

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
                               const cVkTrayPresenterFactory& presenter)
    : viewers_(viewers), notificationMode_(std::move(notificationMode)) {
  state_.tipText = tray_text::kServiceTip;
  presenter_ = presenter(*this);
}

cVkTrayManager::~cVkTrayManager() {
  cOrkLog log;
  Uninitialize(log);
}

uint32_t cVkTrayManager::NotificationMode() const { return notificationMode_ ? notificationMode_() : NOTIFY_QUESTION; }

int32_t cVkTrayManager::Initialize(cOrkLog& log) {
  {
    std::lock_guard<std::mutex> hold(lock_);
    if (started_) return 0;
    started_ = true;
    stopping_ = false;
  }
  // The presenter logs its own failure; the tray then just has nowhere to
  // show, as on the login screen.
  presenter_->Start(log);
  return 0;
}

int32_t cVkTrayManager::Uninitialize(cOrkLog&) {
  {
    std::lock_guard<std::mutex> hold(lock_);
    if (!started_) return 0;
    started_ = false;
    stopping_ = true;
    changed_.notify_all();
  }
  presenter_->Stop();
  std::lock_guard<std::mutex> hold(lock_);
  showing_ = false;
  state_.iconState = TRAY_NO_ICON;
  return 0;
}

bool cVkTrayManager::Showing() {
  std::lock_guard<std::mutex> hold(lock_);
  return showing_;
}

bool cVkTrayManager::WaitForShowing(std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> hold(lock_);
  return changed_.wait_for(hold, timeout, [this] { return showing_; });
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

// Under the lock; the caller delivers the result after leaving it.
cVkTrayManager::Publication cVkTrayManager::SetIcon(uint32_t state) {
  state_.iconState = state;
  Publication publication = Snapshot(true);
  state_.balloonPending = false;
  return publication;
}

// Under the lock: a numbered copy of the state for the presenter.
cVkTrayManager::Publication cVkTrayManager::Snapshot(bool withBalloon) {
  Publication publication{++publications_, state_};
  cVkTrayState& copy = publication.state;
  if (!withBalloon) copy.balloonPending = false;
  // The notification area's limits: tooltip 128, balloon text 255, title 63.
  if (copy.tipText.size() > 128) copy.tipText.resize(128);
  if (copy.balloonText.size() > 255) copy.balloonText.resize(255);
  if (copy.balloonTitle.size() > 63) copy.balloonTitle.resize(63);
  return publication;
}

// Outside the lock (the presenter may report back on this thread).
void cVkTrayManager::Deliver(const Publication& publication) {
  std::lock_guard<std::mutex> hold(deliverLock_);
  if (publication.number <= delivered_) return;
  delivered_ = publication.number;
  presenter_->Show(publication.state, viewers_.GetViewerInfo());
}

void cVkTrayManager::UpdateForSession() {
  uint32_t mode = SanitisedMode(NotificationMode());
  cVkViewerInfo viewer = viewers_.GetViewerInfo();
  std::unique_lock<std::mutex> hold(lock_);
  state_.notificationMode = mode;
  // Cleared under the lock: the presenter's threads read them meanwhile.
  state_.tipText.clear();
  state_.balloonText.clear();
  state_.balloonTitle.clear();
  state_.balloonPending = false;
  Publication shown;
  if (mode == NOTIFY_SILENT) {
    shown = SetIcon(TRAY_NO_ICON);
  } else if (!viewer.connected) {
    state_.tipText = tray_text::kNotInUse;
    if (mode == NOTIFY_WARNING)
      SetTexts(tray_text::kNotInUse, tray_text::kInformationLower, tray_text::kNotInUse, BALLOON_INFORMATION);
    if (mode == NOTIFY_QUESTION)
      SetTexts(tray_text::kNotInUse, tray_text::kWarningLower, tray_text::kNotInUse, BALLOON_INFORMATION);
    shown = SetIcon(TRAY_ALLOWED);
  } else if (mode == NOTIFY_INFORMATION) {
    state_.tipText = WithViewer(tray_text::kBeingViewed, viewer.viewerName);
    shown = SetIcon(TRAY_ALLOWED);
  } else if (mode == NOTIFY_WARNING) {
    std::u16string viewed = WithViewer(tray_text::kBeingViewed, viewer.viewerName);
    SetTexts(viewed, tray_text::kWarningLower, viewed, BALLOON_WARNING);
    shown = SetIcon(TRAY_ALLOWED);
  } else {
    SetTexts(u"", tray_text::kQuestionTitle, WithViewer(tray_text::kWantsToView, viewer.viewerName),
             BALLOON_INFORMATION);
    shown = SetIcon(TRAY_QUESTION);
    hold.unlock();
    Deliver(shown);
    hold.lock();
    if (AskQuestion(hold)) {
      SetTexts(WithViewer(tray_text::kBeingViewed, viewer.viewerName), tray_text::kWarningTitle,
               tray_text::kAllowedBalloon, BALLOON_WARNING);
      shown = SetIcon(TRAY_ALLOWED);
    } else {
      SetTexts(tray_text::kDisallowedTip, tray_text::kInformationTitle, tray_text::kDisallowedBalloon, BALLOON_ERROR);
      shown = SetIcon(TRAY_DISALLOWED);
    }
  }
  hold.unlock();
  Deliver(shown);
}

// Puts the question up and waits for the answer without holding the lock
// (the wait releases it). Nothing showing the tray, no answer in time, a
// helper that goes away, a stop or a cancelled session: "No".
bool cVkTrayManager::AskQuestion(std::unique_lock<std::mutex>& hold) {
  if (!showing_ || stopping_) return false;
  const uint64_t id = ++questionId_;
  question_ = Question{id, true, false, false, false, false};
  hold.unlock();
  presenter_->Ask(id);
  hold.lock();
  changed_.wait_for(hold, questionTimeout_, [this, id] {
    return question_.id != id || question_.answered || question_.cancelled || stopping_ || !showing_;
  });
  const bool answered = question_.id == id && question_.answered;
  const bool yes = answered && question_.yes && !question_.cancelled && !stopping_;
  question_.open = false;
  changed_.notify_all();
  if (!answered && showing_) {
    hold.unlock();
    presenter_->CloseQuestion(id);
    hold.lock();
  }
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

// A new place to show gets the current state; a lost one takes an open
// question with it (the wait above sees `showing_` false).
void cVkTrayManager::HelperChanged(bool running) {
  std::unique_lock<std::mutex> hold(lock_);
  showing_ = running && !stopping_;
  changed_.notify_all();
  if (!showing_) return;
  Publication current = Snapshot(false);
  hold.unlock();
  Deliver(current);
}

void cVkTrayManager::ToggleAllowed() {
  cVkViewerInfo viewer = viewers_.GetViewerInfo();
  std::unique_lock<std::mutex> hold(lock_);
  Publication shown;
  if (state_.iconState == TRAY_DISALLOWED) {
    SetTexts(WithViewer(tray_text::kBeingViewed, viewer.viewerName), tray_text::kInformationTitle,
             tray_text::kAllowedBalloon, BALLOON_INFORMATION);
    shown = SetIcon(TRAY_ALLOWED);
  } else {
    SetTexts(tray_text::kDisallowedMenuTip, tray_text::kWarningTitle, tray_text::kDisallowedBalloon, BALLOON_ERROR);
    shown = SetIcon(TRAY_DISALLOWED);
  }
  hold.unlock();
  Deliver(shown);
}
