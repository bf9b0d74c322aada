// The local input blocking of DeskHook: the managed computer's own keyboard
// and mouse are switched off while a viewer controls the desktop.
#pragma once

#include "agent/input/local_input_blocker.h"

class cVkDeskHookInputBlocker final : public iVkLocalInputBlocker {
 public:
  void DisableKeyboard() override;
  void EnableKeyboard() override;
  void DisableMouse() override;
  void EnableMouse() override;
};
