// Blocks and releases the managed computer's own keyboard and mouse while a
// viewer controls the desktop (DeskHook's Disable/Enable operations).
#pragma once

class iVkLocalInputBlocker {
 public:
  virtual ~iVkLocalInputBlocker() = default;
  virtual void DisableKeyboard() = 0;
  virtual void EnableKeyboard() = 0;
  virtual void DisableMouse() = 0;
  virtual void EnableMouse() = 0;
};
