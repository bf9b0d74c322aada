// Windows virtual-key codes and how they meet the two desktops of the system:
// the console turns Qt key events into virtual keys, the agent turns virtual
// keys into X keysyms. One table serves both directions.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

inline constexpr uint8_t VK_CANCEL = 0x03;
inline constexpr uint8_t VK_BACK = 0x08;
inline constexpr uint8_t VK_TAB = 0x09;
inline constexpr uint8_t VK_CLEAR = 0x0C;
inline constexpr uint8_t VK_RETURN = 0x0D;
inline constexpr uint8_t VK_SHIFT = 0x10;
inline constexpr uint8_t VK_CONTROL = 0x11;
inline constexpr uint8_t VK_MENU = 0x12;
inline constexpr uint8_t VK_PAUSE = 0x13;
inline constexpr uint8_t VK_CAPITAL = 0x14;
inline constexpr uint8_t VK_ESCAPE = 0x1B;
inline constexpr uint8_t VK_SPACE = 0x20;
inline constexpr uint8_t VK_PRIOR = 0x21;
inline constexpr uint8_t VK_NEXT = 0x22;
inline constexpr uint8_t VK_END = 0x23;
inline constexpr uint8_t VK_HOME = 0x24;
inline constexpr uint8_t VK_LEFT = 0x25;
inline constexpr uint8_t VK_UP = 0x26;
inline constexpr uint8_t VK_RIGHT = 0x27;
inline constexpr uint8_t VK_DOWN = 0x28;
inline constexpr uint8_t VK_SELECT = 0x29;
inline constexpr uint8_t VK_PRINT = 0x2A;
inline constexpr uint8_t VK_EXECUTE = 0x2B;
inline constexpr uint8_t VK_SNAPSHOT = 0x2C;
inline constexpr uint8_t VK_INSERT = 0x2D;
inline constexpr uint8_t VK_DELETE = 0x2E;
inline constexpr uint8_t VK_HELP = 0x2F;
// '0'..'9' are 0x30..0x39, 'A'..'Z' are 0x41..0x5A.
inline constexpr uint8_t VK_LWIN = 0x5B;
inline constexpr uint8_t VK_RWIN = 0x5C;
inline constexpr uint8_t VK_APPS = 0x5D;
inline constexpr uint8_t VK_SLEEP = 0x5F;
inline constexpr uint8_t VK_NUMPAD0 = 0x60;
inline constexpr uint8_t VK_NUMPAD9 = 0x69;
inline constexpr uint8_t VK_MULTIPLY = 0x6A;
inline constexpr uint8_t VK_ADD = 0x6B;
inline constexpr uint8_t VK_SEPARATOR = 0x6C;
inline constexpr uint8_t VK_SUBTRACT = 0x6D;
inline constexpr uint8_t VK_DECIMAL = 0x6E;
inline constexpr uint8_t VK_DIVIDE = 0x6F;
inline constexpr uint8_t VK_F1 = 0x70;
inline constexpr uint8_t VK_F4 = 0x73;
inline constexpr uint8_t VK_F24 = 0x87;
inline constexpr uint8_t VK_NUMLOCK = 0x90;
inline constexpr uint8_t VK_SCROLL = 0x91;
inline constexpr uint8_t VK_LSHIFT = 0xA0;
inline constexpr uint8_t VK_RSHIFT = 0xA1;
inline constexpr uint8_t VK_LCONTROL = 0xA2;
inline constexpr uint8_t VK_RCONTROL = 0xA3;
inline constexpr uint8_t VK_LMENU = 0xA4;
inline constexpr uint8_t VK_RMENU = 0xA5;
inline constexpr uint8_t VK_BROWSER_BACK = 0xA6;
inline constexpr uint8_t VK_BROWSER_FORWARD = 0xA7;
inline constexpr uint8_t VK_BROWSER_REFRESH = 0xA8;
inline constexpr uint8_t VK_BROWSER_STOP = 0xA9;
inline constexpr uint8_t VK_BROWSER_SEARCH = 0xAA;
inline constexpr uint8_t VK_BROWSER_FAVORITES = 0xAB;
inline constexpr uint8_t VK_BROWSER_HOME = 0xAC;
inline constexpr uint8_t VK_VOLUME_MUTE = 0xAD;
inline constexpr uint8_t VK_VOLUME_DOWN = 0xAE;
inline constexpr uint8_t VK_VOLUME_UP = 0xAF;
inline constexpr uint8_t VK_MEDIA_NEXT_TRACK = 0xB0;
inline constexpr uint8_t VK_MEDIA_PREV_TRACK = 0xB1;
inline constexpr uint8_t VK_MEDIA_STOP = 0xB2;
inline constexpr uint8_t VK_MEDIA_PLAY_PAUSE = 0xB3;
inline constexpr uint8_t VK_LAUNCH_MAIL = 0xB4;
inline constexpr uint8_t VK_LAUNCH_MEDIA_SELECT = 0xB5;
inline constexpr uint8_t VK_LAUNCH_APP1 = 0xB6;
inline constexpr uint8_t VK_LAUNCH_APP2 = 0xB7;
inline constexpr uint8_t VK_OEM_1 = 0xBA;       // ;:
inline constexpr uint8_t VK_OEM_PLUS = 0xBB;    // =+
inline constexpr uint8_t VK_OEM_COMMA = 0xBC;   // ,<
inline constexpr uint8_t VK_OEM_MINUS = 0xBD;   // -_
inline constexpr uint8_t VK_OEM_PERIOD = 0xBE;  // .>
inline constexpr uint8_t VK_OEM_2 = 0xBF;       // /?
inline constexpr uint8_t VK_OEM_3 = 0xC0;       // `~
inline constexpr uint8_t VK_OEM_4 = 0xDB;       // [{
inline constexpr uint8_t VK_OEM_5 = 0xDC;       // \|
inline constexpr uint8_t VK_OEM_6 = 0xDD;       // ]}
inline constexpr uint8_t VK_OEM_7 = 0xDE;       // '"
inline constexpr uint8_t VK_OEM_102 = 0xE2;     // <> of the 102-key keyboard

namespace vk {

// One key: its virtual-key code, the X keysym it produces (the plain one,
// without Shift), the variant the extended-key bit selects (0 when the bit
// makes no difference), and the Qt key that the console reports for it with
// whether Qt flags it as a keypad key.
struct VirtualKey {
  uint8_t vk;
  uint32_t keysym;
  uint32_t extendedKeysym;
  uint32_t qtKey;
  bool keypad;
  bool extended;  // the console sets the extended-key bit for this key
};

std::span<const VirtualKey> VirtualKeyTable();

// The key for a virtual-key code; nothing for codes without a key.
std::optional<VirtualKey> FindVirtualKey(uint8_t vk);
// The X keysym a key press of vk produces; the extended-key bit of the key
// data picks the right-hand or keypad variant where there is one. 0 when the
// code has no key.
uint32_t KeysymForVirtualKey(uint8_t vk, bool extended);
// The key for a Qt key event (console side); nothing when Qt's key has no
// virtual-key code.
std::optional<VirtualKey> FindVirtualKeyForQtKey(uint32_t qtKey, bool keypad);

}  // namespace vk
