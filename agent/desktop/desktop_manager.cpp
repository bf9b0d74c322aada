#include "agent/desktop/desktop_manager.h"

#include <chrono>

#include "agent/screen/message_window.h"
#include "agent/service/log_sink.h"
#include "agent/worker/stop_worker_thread.h"
#include "log/orklog.h"
#include "platform/core/error_codes.h"

cVkDesktopManager::cVkDesktopManager(cVkDesktopManagerLinks links) : links_(std::move(links)) {}

cVkDesktopManager::~cVkDesktopManager() { thread_.Stop(); }

int32_t cVkDesktopManager::Start(cOrkLog& log) {
  if (thread_.Running()) return 0;
  const int32_t result = thread_.Start([this](vk::ManualResetEvent& stop) { return DesktopThread(stop); });
  if (result != 0) {
    log.LogMsg(LOG_ERROR, result,
               u"An error has occurred while duplicating the Check Desktop threadhandle. Errorcode %ld.", result);
  }
  return result;
}

int32_t cVkDesktopManager::Stop(cOrkLog& log) {
  const int32_t code = StopWorkerThread(log, thread_);
  if (code != 0)
    log.LogMsg(LOG_ERROR, code, u"An error has occurred while stopping the Check Desktop thread. Errorcode %ld.", code);
  return code;
}

int32_t cVkDesktopManager::AttachTo(cOrkLog& log, const cVkDesktopRecord& record) {
  const int32_t result = links_.source->SetThreadDesktop(record.handle);
  if (result != 0) {
    log.LogMsg(LOG_ERROR, result, u"Error setting thread to desktop '%s'. Errorcode %ld.", record.name, result);
  }
  return result;
}

int32_t cVkDesktopManager::UseInputDesktop(cOrkLog& log) {
  std::lock_guard guard(lock_);
  if (!input_.IsOpen()) return 0;
  const int32_t result = AttachTo(log, input_);
  if (result != 0) {
    log.LogMsg(LOG_ERROR, result,
               u"An error has occurred while setting the thread to the current desktop. Errorcode %ld.", result);
  }
  return result;
}

int32_t cVkDesktopManager::UseWinlogonDesktop(cOrkLog& log) {
  std::lock_guard guard(lock_);
  if (!winlogon_.IsOpen()) return 0;
  const int32_t result = AttachTo(log, winlogon_);
  if (result != 0) {
    log.LogMsg(LOG_ERROR, result,
               u"An error has occurred while setting the thread to the winlogon desktop. Errorcode %ld.", result);
  }
  return result;
}

int32_t cVkDesktopManager::LastInitResult() const {
  std::lock_guard guard(lock_);
  return lastInit_;
}

uint32_t cVkDesktopManager::SwitchCount() const {
  std::lock_guard guard(lock_);
  return switches_;
}

bool cVkDesktopManager::Initialized() const {
  std::lock_guard guard(lock_);
  return initialized_;
}

int32_t cVkDesktopManager::DesktopThread(vk::ManualResetEvent& stop) {
  cOrkLog log;
  log.SetMemLogMask(LOG_ALL);
  log.SetFileLogMask(LOG_ALL);
  auto writeLog = [&] {
    if (links_.logFile) links_.logFile->AppendLogToFile(log);
  };
  const int32_t init = Initialize(log);
  if (init != 0) {
    log.LogMsg(LOG_ERROR, init, u"An error has occurred while initializing the desktop manager. Errorcode %ld.", init);
    writeLog();
  }
  while (!stop.WaitFor(std::chrono::milliseconds(links_.checkIntervalMs))) {
    if (CheckInputDesktop(log, stop) != 0) writeLog();
  }
  const int32_t uninit = Uninitialize(log);
  if (uninit != 0) {
    log.LogMsg(LOG_ERROR, uninit, u"An error has occurred while uninitializing the desktop manager. Errorcode %ld.",
               uninit);
    writeLog();
  }
  return 0;
}

int32_t cVkDesktopManager::OpenInputRecord(cOrkLog& log, cVkDesktopRecord& record) {
  int32_t result = links_.source->OpenInputDesktop(vk::MAXIMUM_ALLOWED, record.handle);
  if (result != 0) {
    log.LogMsg(LOG_ERROR, result, u"Error opening the current input desktop. Errorcode %ld.", result);
    return result;
  }
  record.scope = links_.source->DesktopScope(record.handle);
  result = links_.source->DesktopName(record.handle, record.name);
  if (result != 0) {
    log.LogMsg(LOG_ERROR, result, u"Error getting user object information. Errorcode %ld.", result);
    log.LogMsg(LOG_ERROR, result, u"Error getting the current input desktop name. Errorcode %ld.", result);
    links_.source->CloseDesktop(record.handle);
    record = {};
  }
  return result;
}

// A Wayland session has no X display to view: said plainly, once per switch.
void cVkDesktopManager::NoteUnviewable(cOrkLog& log, const cVkDesktopRecord& record) {
  if (!record.IsOpen() || !links_.source->ShowsWayland(record.handle)) return;
  log.LogMsg(LOG_WARNING, u"The active session uses Wayland; viewing needs an X11 session.");
  if (links_.logFile) links_.logFile->AppendLogToFile(log);
}

int32_t cVkDesktopManager::SetHooks(cOrkLog& log) {
  const cVkHookMessageIds& ids = VkHookMessageIds();
  const int32_t result =
      links_.hooks->SetHook(links_.messageWindow->WindowHandle(), ids.update, ids.displayChange, ids.mouseMove);
  if (result != 0) {
    log.LogNetMsg(LOG_ERROR, static_cast<uint32_t>(result),
                  u"An error has occurred while setting hooks. Errorcode %ld.", result);
  }
  return result;
}

int32_t cVkDesktopManager::Initialize(cOrkLog& log) {
  ownDesktop_ = links_.source->ThreadDesktop();
  bool failed = false;
  const int32_t window = links_.messageWindow->Start(log);
  if (window != 0) {
    log.LogMsg(LOG_ERROR, window, u"An error has occurred while initializing the message window. Errorcode %ld.",
               window);
    failed = true;
  }
  std::lock_guard guard(lock_);
  cVkDesktopRecord winlogon{0, u"Winlogon"};
  int32_t result = links_.source->OpenDesktop(winlogon.name, VK_WINLOGON_DESKTOP_ACCESS, winlogon.handle);
  if (result != 0) {
    log.LogMsg(LOG_ERROR, result, u"Error opening desktop '%s'. Errorcode %ld.", winlogon.name, result);
    log.LogMsg(LOG_ERROR, result, u"Error getting a handle to desktop '%s'. Errorcode %ld.", winlogon.name, result);
    log.LogMsg(LOG_ERROR, result, u"An error has occurred while initializing the winlogon desktop. Errorcode %ld.",
               result);
    failed = true;
  } else {
    winlogon_ = winlogon;
  }
  result = OpenInputRecord(log, input_);
  if (result != 0) {
    log.LogMsg(LOG_ERROR, result, u"An error has occurred while initializing the input desktop. Errorcode %ld.",
               result);
    failed = true;
  } else if ((result = AttachTo(log, input_)) != 0) {
    log.LogMsg(LOG_ERROR, result,
               u"An error has occurred while setting the thread to the current desktop. Errorcode %ld.", result);
    log.LogMsg(LOG_ERROR, result,
               u"An error has occurred while setting the desktop thread to the current desktop. ErrorCode %ld.",
               result);
    failed = true;
  }
  NoteUnviewable(log, input_);
  const int32_t hooked = SetHooks(log);
  initialized_ = true;
  lastInit_ = hooked != 0 ? hooked : (failed ? -1 : 0);
  return lastInit_;
}

int32_t cVkDesktopManager::CheckInputDesktop(cOrkLog& log, vk::ManualResetEvent& stop) {
  int32_t closeError = 0;
  bool failed = false;
  {
    std::lock_guard guard(lock_);
    cVkDesktopRecord current;
    int32_t result = OpenInputRecord(log, current);
    if (result != 0) {
      log.LogMsg(LOG_ERROR, result, u"An error has occurred while initializing to the input desktop. ErrorCode %ld.",
                 result);
      return result;
    }
    if (current.SameDesktop(input_)) {
      result = links_.source->CloseDesktop(current.handle);
      if (result != 0) {
        log.LogMsg(LOG_ERROR, result, u"Error closing the desktop '%s'. ErrorCode %ld.", current.name, result);
        log.LogMsg(LOG_ERROR, result,
                   u"An error has occurred while uninitializing the current desktop handle. ErrorCode %ld.", result);
      }
      return result;
    }
    // The input desktop has switched: follow it with the hooks.
    ++switches_;
    result = links_.hooks->StopHook();
    if (result != 0) {
      log.LogMsg(LOG_ERROR, result, u"Error releasing hooks. ErrorCode %ld.", result);
      failed = true;
    }
    const cVkDesktopRecord old = input_;
    input_ = current;
    if ((result = AttachTo(log, input_)) != 0) {
      log.LogMsg(LOG_ERROR, result,
                 u"An error has occurred while setting the desktop thread to the current desktop. ErrorCode %ld.",
                 result);
      failed = true;
    }
    NoteUnviewable(log, input_);
    if (SetHooks(log) != 0) failed = true;
    if (old.IsOpen() && (closeError = links_.source->CloseDesktop(old.handle)) != 0) {
      log.LogMsg(LOG_ERROR, closeError,
                 u"An error has occurred while uninitializing the old input desktop. Errorcode %ld.", closeError);
    }
  }
  if (links_.desktopSwitched) links_.desktopSwitched();
  // Let the new desktop settle, then send all of it.
  if (!stop.WaitFor(std::chrono::milliseconds(links_.checkIntervalMs)) && links_.addFullScreen) links_.addFullScreen();
  return closeError != 0 ? closeError : (failed ? -1 : 0);
}

int32_t cVkDesktopManager::Uninitialize(cOrkLog& log) {
  bool failed = false;
  {
    std::lock_guard guard(lock_);
    int32_t result = links_.hooks->StopHook();
    if (result != 0) {
      log.LogMsg(LOG_ERROR, result, u"Error releasing hooks. ErrorCode %ld.", result);
      failed = true;
    }
    links_.source->SetThreadDesktop(ownDesktop_);
    if (input_.IsOpen() && (result = links_.source->CloseDesktop(input_.handle)) != 0) {
      log.LogMsg(LOG_ERROR, result, u"An error has occurred while uninitializing the input desktop. Errorcode %ld.",
                 result);
      failed = true;
    }
    input_ = {};
    if (winlogon_.IsOpen() && (result = links_.source->CloseDesktop(winlogon_.handle)) != 0) {
      log.LogMsg(LOG_ERROR, result, u"An error has occurred while uninitializing the winlogon desktop. Errorcode %ld.",
                 result);
      failed = true;
    }
    winlogon_ = {};
    initialized_ = false;
  }
  const int32_t window = links_.messageWindow->Stop(log);
  if (window != 0) {
    log.LogMsg(LOG_ERROR, window, u"An error has occurred while closing the message window. Errorcode %ld.", window);
    return window;
  }
  return failed ? -1 : 0;
}
