#include "agent/input/deskhook_input_blocker.h"

#include "deskhook/deskhook.h"

void cVkDeskHookInputBlocker::DisableKeyboard() { ::DisableKeyboard(); }
void cVkDeskHookInputBlocker::EnableKeyboard() { ::EnableKeyboard(); }
void cVkDeskHookInputBlocker::DisableMouse() { ::DisableMouse(); }
void cVkDeskHookInputBlocker::EnableMouse() { ::EnableMouse(); }
