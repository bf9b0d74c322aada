// Qt keyboard and mouse events as the window messages the agent replays:
// virtual keys from the shared key table, key data with the scan code,
// button state bits and wheel deltas.
#pragma once

#include <cstdint>
#include <optional>

#include <Qt>

#include "common/protocol/input_codes.h"

class QKeyEvent;
class QMouseEvent;
class QWheelEvent;

// The key message for a key press or release; nothing for keys without a
// virtual key and for the releases of auto-repeat.
std::optional<vk::InputDatagram> VkKeyRecord(const QKeyEvent& event, bool released);
// The virtual key for a Qt key (as Qt reports it, shifted characters of a
// US keyboard included); 0 when there is none.
uint8_t VkVirtualKeyForQt(int qtKey, bool keypad, uint32_t nativeKeysym);
// Button and modifier state of a mouse event (MK_* bits).
uint32_t VkMouseButtonState(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers);
