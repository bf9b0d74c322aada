// The watcher thread behind SetHook/StopHook.
#pragma once

#include <cstdint>
#include <thread>

#include "platform/msgwindow/message_target.h"

struct _XDisplay;

namespace deskhook {

struct HookMessages {
  uint32_t update = 0;
  uint32_t displayChange = 0;
  uint32_t mouseMove = 0;
};

class HookWatcher {
 public:
  HookWatcher(vk::MessageTarget* window, HookMessages messages) : window_(window), messages_(messages) {}
  ~HookWatcher();
  HookWatcher(const HookWatcher&) = delete;
  HookWatcher& operator=(const HookWatcher&) = delete;

  // Connects, selects the events and starts the thread; 0 or an error code.
  int32_t Start();
  void Stop();

 private:
  void Run();
  void HandlePendingEvents();
  void PostDamage();

  vk::MessageTarget* window_;
  HookMessages messages_;
  _XDisplay* display_ = nullptr;
  unsigned long damage_ = 0;
  unsigned long region_ = 0;
  int damageEvent_ = 0;
  int randrEvent_ = 0;
  int fixesEvent_ = 0;
  int stopFd_ = -1;
  std::thread thread_;
};

}  // namespace deskhook
