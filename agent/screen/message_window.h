// cVkMessageWindow: the agent's hidden message window. The hook library posts
// changed rectangles, display changes and cursor changes to it; it runs the
// two refresh timers, restarts the screen manager after display changes and
// keeps track of the cursor shape shown on the display.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include "agent/screen/screen_settings.h"
#include "platform/msgwindow/message_thread.h"

class cOrkLog;
class iVkLogSink;
class cVkScreenManager;
namespace vk::x11 {
class DesktopQueries;
}

// Message and timer numbers of the window.
inline constexpr uint32_t VK_MSG_TIMER_REQUEST = 1126;
inline constexpr uint32_t VK_MSG_DESKTOP_SWITCHED = 1127;
inline constexpr uint32_t VK_TIMER_FULL_REFRESH = 1124;
inline constexpr uint32_t VK_TIMER_FOREGROUND_REFRESH = 1125;
inline constexpr uint32_t VK_TIMER_RESTART = 1129;
inline constexpr uint32_t VK_RESTART_DELAY_MS = 2000;
// The cursor handle of a shape outside the cursor table.
inline constexpr uint32_t VK_CURSOR_UNKNOWN = 1;

// The ids of the three messages shared with the hook library, registered
// once per process.
struct cVkHookMessageIds {
  uint32_t update;
  uint32_t displayChange;
  uint32_t mouseMove;
};
const cVkHookMessageIds& VkHookMessageIds();

struct cVkMessageWindowLinks {
  std::function<cVkScreenCaptureSettings()> settings;
  iVkLogSink* logFile = nullptr;  // the agent's log file
  // The restart delay after the last display change (tests shorten it).
  uint32_t restartDelayMs = VK_RESTART_DELAY_MS;
};

class cVkMessageWindow {
 public:
  cVkMessageWindow(cVkScreenManager& screen, cVkMessageWindowLinks links);
  ~cVkMessageWindow();
  cVkMessageWindow(const cVkMessageWindow&) = delete;
  cVkMessageWindow& operator=(const cVkMessageWindow&) = delete;

  int32_t Start(cOrkLog& log);
  int32_t Stop(cOrkLog& log);
  // The current cursor handle when it changed since the last call, else 0.
  uint32_t TakeCursorChange();
  // The input desktop has switched to another display: capture starts again
  // there at once (no restart delay), with that display's format.
  void DesktopSwitched();
  // What the hook library posts to; null while the window does not run.
  vk::MessageTarget* WindowHandle();
  bool RestartPending() const { return restartPending_; }
  // Number of screen-manager restarts after display changes (for tests).
  uint32_t RestartCount() const { return restarts_; }

 private:
  void Handle(const vk::WindowMessage& message);
  void HandleTimer(uint32_t id);
  void HandleDisplayChange();
  void RestartCapture();
  void CheckCursor();
  void RunTimerRequest(uint32_t id, int32_t interval);
  void Finish();

  cVkScreenManager& screen_;
  cVkMessageWindowLinks links_;
  std::unique_ptr<vk::MessageThread> thread_;
  std::unique_ptr<vk::x11::DesktopQueries> queries_;  // used by the window thread only
  std::unique_ptr<cOrkLog> log_;                      // the window thread's log
  std::mutex cursorLock_;
  uint32_t cursor_ = 0;
  bool cursorChanged_ = false;
  std::atomic<bool> restartPending_{false};
  std::atomic<uint32_t> restarts_{0};
};
