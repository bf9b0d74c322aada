// DeskHook: watches the X display that the agent shows and reports to the
// agent's message window what changed there; blocks the local keyboard and
// mouse on request.
//
// SetHook starts a watcher thread with its own X connection (the display named
// by DISPLAY). It posts to `window`:
//   updateMessage         for every changed screen area: wParam = left | top << 16,
//                         lParam = right | bottom << 16 (root pixels, right and
//                         bottom exclusive);
//   displayChangeMessage  when the screen's size or format changes;
//   mouseMoveMessage      when the pointer's cursor shape may have changed.
// The window must take messages until StopHook returns; StopHook ends the
// watcher and no message is posted after it.
#pragma once

#include <cstdint>

#include "platform/msgwindow/message_target.h"

// 0 or a platform error code.
int32_t SetHook(vk::MessageTarget* window, uint32_t updateMessage, uint32_t displayChangeMessage,
                uint32_t mouseMoveMessage);
int32_t StopHook();

// Block or release the physical keyboards or pointers of the display (an
// XInput2 grab that the X server releases by itself when the process ends);
// synthetic (XTest) input still works. Enable releases only what Disable
// blocked. A block stays with the served display: SetHook on a new display
// moves it there.
void DisableKeyboard();
void EnableKeyboard();
void DisableMouse();
void EnableMouse();
