#include "agent/screen/message_window.h"

#include <chrono>

#include "agent/screen/screen_manager.h"
#include "agent/service/log_sink.h"
#include "agent/worker/stop_worker_thread.h"
#include "log/orklog.h"
#include "platform/core/worker_thread.h"
#include "platform/x11/cursor_names.h"
#include "platform/x11/desktop_queries.h"

const cVkHookMessageIds& VkHookMessageIds() {
  static const cVkHookMessageIds ids{vk::RegisterMessageName(u"ViewKeeperUpdateMsg"),
                                     vk::RegisterMessageName(u"ViewKeeperCCMsg"),
                                     vk::RegisterMessageName(u"ViewKeeperMMMsg")};
  return ids;
}

cVkMessageWindow::cVkMessageWindow(cVkScreenManager& screen, cVkMessageWindowLinks links)
    : screen_(screen), links_(std::move(links)) {}

cVkMessageWindow::~cVkMessageWindow() {
  if (thread_ && thread_->Running()) {
    cOrkLog log;
    Stop(log);
  }
}

int32_t cVkMessageWindow::Start(cOrkLog& log) {
  if (!thread_ || !thread_->Running()) {
    thread_ = std::make_unique<vk::MessageThread>();
    queries_ = std::make_unique<vk::x11::DesktopQueries>();
    queries_->Open();  // without a display the questions answer "nothing"
    log_ = std::make_unique<cOrkLog>();
    log_->SetMemLogMask(LOG_ALL);
    log_->SetFileLogMask(LOG_ALL);
    {
      std::lock_guard guard(cursorLock_);
      cursor_ = 0;
      cursorChanged_ = false;
    }
    restartPending_ = false;
    if (!thread_->Start([this](const vk::WindowMessage& m) { Handle(m); })) {
      log.LogMsg(LOG_ERROR, -2, u"An error has occurred while creating a message window. Errorcode %ld.", -2);
      return -2;
    }
  }
  const cVkScreenCaptureSettings settings = links_.settings ? links_.settings() : cVkScreenCaptureSettings{};
  thread_->Post(VK_MSG_TIMER_REQUEST, VK_TIMER_FULL_REFRESH, settings.fullRefreshInterval);
  thread_->Post(VK_MSG_TIMER_REQUEST, VK_TIMER_FOREGROUND_REFRESH, settings.foregroundRefreshInterval);
  return 0;
}

int32_t cVkMessageWindow::Stop(cOrkLog& log) {
  if (!thread_) return 0;
  if (StopMessageThread(log, *thread_) != 0) {
    log.LogMsg(LOG_ERROR, -1, u"An error has occurred while stopping the Message Window thread. Errorcode %ld.", -1);
    // The thread still runs: what it uses is let go, never freed under it.
    (void)thread_.release();
    (void)queries_.release();
    (void)log_.release();
    return -1;
  }
  Finish();
  return 0;
}

// What the window does when its thread has ended.
void cVkMessageWindow::Finish() {
  queries_.reset();
  if (log_ && log_->CountMessages(LOG_ALL) != 0 && links_.logFile) links_.logFile->AppendLogToFile(*log_);
  log_.reset();
  thread_.reset();
}

uint32_t cVkMessageWindow::TakeCursorChange() {
  std::lock_guard guard(cursorLock_);
  if (!cursorChanged_) return 0;
  cursorChanged_ = false;
  return cursor_;
}

vk::MessageTarget* cVkMessageWindow::WindowHandle() { return thread_ && thread_->Running() ? thread_.get() : nullptr; }

void cVkMessageWindow::Handle(const vk::WindowMessage& message) {
  const cVkHookMessageIds& ids = VkHookMessageIds();
  if (message.message == ids.update) {
    const auto w = static_cast<uint64_t>(message.wParam);
    const auto l = static_cast<uint64_t>(message.lParam);
    screen_.AddRect({static_cast<int32_t>(w & 0xFFFF), static_cast<int32_t>((w >> 16) & 0xFFFF),
                     static_cast<int32_t>(l & 0xFFFF), static_cast<int32_t>((l >> 16) & 0xFFFF)});
  } else if (message.message == ids.mouseMove) {
    CheckCursor();
  } else if (message.message == ids.displayChange) {
    HandleDisplayChange();
  } else if (message.message == VK_MSG_DESKTOP_SWITCHED) {
    RestartCapture();
  } else if (message.message == VK_MSG_TIMER_REQUEST) {
    RunTimerRequest(static_cast<uint32_t>(message.wParam), static_cast<int32_t>(message.lParam));
  } else if (message.message == vk::kTimerMessage) {
    HandleTimer(static_cast<uint32_t>(message.wParam));
  }
}

void cVkMessageWindow::RunTimerRequest(uint32_t id, int32_t interval) {
  if (id != VK_TIMER_FULL_REFRESH && id != VK_TIMER_FOREGROUND_REFRESH) return;
  thread_->KillTimer(id);
  const int32_t atUse = VkRefreshIntervalAtUse(interval);
  if (atUse != -1) thread_->SetTimer(id, std::chrono::milliseconds(atUse));
}

void cVkMessageWindow::HandleTimer(uint32_t id) {
  if (id == VK_TIMER_FULL_REFRESH) {
    screen_.AddFullScreen();
  } else if (id == VK_TIMER_FOREGROUND_REFRESH) {
    VkRect rect;
    if (queries_->ForegroundRect(rect)) {
      screen_.AddRect(rect);
    } else {
      screen_.AddFullScreen();
    }
  } else if (id == VK_TIMER_RESTART) {
    const int32_t result = screen_.Start(*log_);
    if (result != 0) {
      log_->LogMsg(LOG_ERROR, result, u"An error has occurred while initializing the screen manager. Errorcode %ld.",
                   result);
      if (links_.logFile) links_.logFile->AppendLogToFile(*log_);
    }
    restartPending_ = false;
    ++restarts_;
    thread_->KillTimer(VK_TIMER_RESTART);
  }
}

// Capture stops at the first display change and starts again once no change
// has come for the restart delay, with the new screen format.
void cVkMessageWindow::HandleDisplayChange() {
  if (!restartPending_) {
    restartPending_ = true;
    const int32_t result = screen_.Stop(*log_);
    if (result != 0) {
      log_->LogMsg(LOG_ERROR, result, u"An error has occurred while stopping the screen manager. Errorcode %ld.",
                   result);
    }
  }
  thread_->SetTimer(VK_TIMER_RESTART, std::chrono::milliseconds(links_.restartDelayMs));
}

void cVkMessageWindow::DesktopSwitched() {
  if (thread_ && thread_->Running()) thread_->Post(VK_MSG_DESKTOP_SWITCHED, 0, 0);
}

// A display change pending restarts capture by its own timer.
void cVkMessageWindow::RestartCapture() {
  if (restartPending_) return;
  int32_t result = screen_.Stop(*log_);
  if (result != 0)
    log_->LogMsg(LOG_ERROR, result, u"An error has occurred while stopping the screen manager. Errorcode %ld.", result);
  result = screen_.Start(*log_);
  if (result != 0) {
    log_->LogMsg(LOG_ERROR, result, u"An error has occurred while initializing the screen manager. Errorcode %ld.",
                 result);
    if (links_.logFile) links_.logFile->AppendLogToFile(*log_);
  }
}

void cVkMessageWindow::CheckCursor() {
  const uint32_t id = vk::x11::CursorIdFromName(queries_->CursorName());
  const uint32_t handle = id != 0 ? id : VK_CURSOR_UNKNOWN;
  std::lock_guard guard(cursorLock_);
  if (handle == cursor_) return;
  cursor_ = handle;
  cursorChanged_ = true;
}
