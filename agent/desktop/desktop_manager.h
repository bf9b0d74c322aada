// cVkDesktopManager: follows the desktop that receives input from a thread
// of its own, keeps the hook library attached to it, and puts the capture
// and input threads on it before each piece of work.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>

#include "agent/desktop/desktop_source.h"
#include "platform/core/worker_thread.h"
#include "platform/security/access_check.h"

class cOrkLog;
class iVkLogSink;
class cVkMessageWindow;

struct cVkDesktopManagerLinks {
  iVkDesktopSource* source = nullptr;
  iVkHookLibrary* hooks = nullptr;
  cVkMessageWindow* messageWindow = nullptr;
  // Marks the whole screen for capture (after a switch).
  std::function<void()> addFullScreen;
  iVkLogSink* logFile = nullptr;  // the agent's log file
  // How often the input desktop is checked, and the pause after a switch.
  uint32_t checkIntervalMs = 500;
  // The input desktop has switched: capture starts again on it, with its
  // screen format.
  std::function<void()> desktopSwitched;
};

inline constexpr uint32_t VK_WINLOGON_DESKTOP_ACCESS = 0x400001CF;

class cVkDesktopManager {
 public:
  explicit cVkDesktopManager(cVkDesktopManagerLinks links);
  ~cVkDesktopManager();
  cVkDesktopManager(const cVkDesktopManager&) = delete;
  cVkDesktopManager& operator=(const cVkDesktopManager&) = delete;

  int32_t Start(cOrkLog& log);
  int32_t Stop(cOrkLog& log);
  int32_t UseInputDesktop(cOrkLog& log);
  int32_t UseWinlogonDesktop(cOrkLog& log);

  // For tests: the result of the last initialisation and the number of
  // switches seen.
  int32_t LastInitResult() const;
  uint32_t SwitchCount() const;
  bool Initialized() const;

 private:
  int32_t DesktopThread(vk::ManualResetEvent& stop);
  int32_t Initialize(cOrkLog& log);
  int32_t CheckInputDesktop(cOrkLog& log, vk::ManualResetEvent& stop);
  int32_t Uninitialize(cOrkLog& log);
  int32_t OpenInputRecord(cOrkLog& log, cVkDesktopRecord& record);
  int32_t SetHooks(cOrkLog& log);
  int32_t AttachTo(cOrkLog& log, const cVkDesktopRecord& record);
  void NoteUnviewable(cOrkLog& log, const cVkDesktopRecord& record);

  cVkDesktopManagerLinks links_;
  mutable std::recursive_mutex lock_;
  uint64_t ownDesktop_ = 0;
  cVkDesktopRecord winlogon_;
  cVkDesktopRecord input_;
  int32_t lastInit_ = 0;
  bool initialized_ = false;
  uint32_t switches_ = 0;
  vk::WorkerThread thread_;
};
