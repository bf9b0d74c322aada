// The codes of the input channel: window-message numbers, mouse button state
// bits, the channel's own commands and the 12-byte datagram that carries them.
// Shared by the console (which builds datagrams) and the agent (which replays
// them).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

// Window messages carried as the datagram's message code.
inline constexpr uint32_t WM_KEYDOWN = 256;
inline constexpr uint32_t WM_KEYUP = 257;
inline constexpr uint32_t WM_CHAR = 258;
inline constexpr uint32_t WM_DEADCHAR = 259;
inline constexpr uint32_t WM_SYSKEYDOWN = 260;
inline constexpr uint32_t WM_SYSKEYUP = 261;
inline constexpr uint32_t WM_SYSCHAR = 262;
inline constexpr uint32_t WM_SYSDEADCHAR = 263;
inline constexpr uint32_t WM_MOUSEMOVE = 512;
inline constexpr uint32_t WM_LBUTTONDOWN = 513;
inline constexpr uint32_t WM_LBUTTONUP = 514;
inline constexpr uint32_t WM_LBUTTONDBLCLK = 515;
inline constexpr uint32_t WM_RBUTTONDOWN = 516;
inline constexpr uint32_t WM_RBUTTONUP = 517;
inline constexpr uint32_t WM_RBUTTONDBLCLK = 518;
inline constexpr uint32_t WM_MBUTTONDOWN = 519;
inline constexpr uint32_t WM_MBUTTONUP = 520;
inline constexpr uint32_t WM_MBUTTONDBLCLK = 521;
inline constexpr uint32_t WM_MOUSEWHEEL = 522;

// Commands of the input channel (both parameters 0 unless said otherwise).
inline constexpr uint32_t INPUT_CMD_CTRL_ALT_DEL = 1124;
inline constexpr uint32_t INPUT_CMD_FULL_REFRESH = 1125;
inline constexpr uint32_t INPUT_CMD_CTRL_SHIFT_ESC = 1126;
inline constexpr uint32_t INPUT_CMD_END_SESSION = 1127;  // param1: 0 log off, 1 shut down, 2 restart
inline constexpr uint32_t INPUT_CMD_ALT_F4 = 1128;

inline constexpr uint32_t END_SESSION_LOGOFF = 0;
inline constexpr uint32_t END_SESSION_SHUTDOWN = 1;
inline constexpr uint32_t END_SESSION_RESTART = 2;

// Button state bits of the mouse messages' first parameter.
inline constexpr uint32_t MK_LBUTTON = 0x0001;
inline constexpr uint32_t MK_RBUTTON = 0x0002;
inline constexpr uint32_t MK_SHIFT = 0x0004;
inline constexpr uint32_t MK_CONTROL = 0x0008;
inline constexpr uint32_t MK_MBUTTON = 0x0010;

// One wheel notch.
inline constexpr int32_t WHEEL_DELTA = 120;

namespace vk {

inline constexpr size_t kInputDatagramSize = 12;

struct InputDatagram {
  uint32_t code = 0;
  uint32_t param1 = 0;  // the message's wParam
  uint32_t param2 = 0;  // the message's lParam
};

// Little-endian wire form.
std::array<uint8_t, kInputDatagramSize> EncodeInputDatagram(const InputDatagram& datagram);
// Nothing unless the bytes are exactly one datagram.
std::optional<InputDatagram> DecodeInputDatagram(std::span<const uint8_t> bytes);

// Mouse positions: x in the low 16 bits, y in the high 16 bits, both signed.
inline constexpr uint32_t MakePointParam(int16_t x, int16_t y) {
  return static_cast<uint16_t>(x) | (static_cast<uint32_t>(static_cast<uint16_t>(y)) << 16);
}
inline constexpr int16_t PointX(uint32_t param) { return static_cast<int16_t>(param & 0xFFFF); }
inline constexpr int16_t PointY(uint32_t param) { return static_cast<int16_t>(param >> 16); }

// Wheel: the signed delta in the high 16 bits of the first parameter.
inline constexpr uint32_t MakeWheelParam(int16_t delta, uint16_t buttons = 0) {
  return buttons | (static_cast<uint32_t>(static_cast<uint16_t>(delta)) << 16);
}
inline constexpr int16_t WheelDelta(uint32_t param) { return static_cast<int16_t>(param >> 16); }

// Key data of the keyboard messages: repeat count (bits 0-15), scan code
// (16-23), extended key (24), previous state (30), transition (31, set when
// the key is being released).
inline constexpr uint32_t KEYDATA_EXTENDED = 1u << 24;
inline constexpr uint32_t KEYDATA_PREVIOUS_DOWN = 1u << 30;
inline constexpr uint32_t KEYDATA_RELEASED = 1u << 31;
inline constexpr uint32_t MakeKeyData(uint8_t scanCode, bool extended, bool released, uint16_t repeat = 1) {
  return repeat | (static_cast<uint32_t>(scanCode) << 16) | (extended ? KEYDATA_EXTENDED : 0) |
         (released ? (KEYDATA_RELEASED | KEYDATA_PREVIOUS_DOWN) : 0);
}
inline constexpr bool KeyDataExtended(uint32_t keyData) { return (keyData & KEYDATA_EXTENDED) != 0; }
inline constexpr bool KeyDataReleased(uint32_t keyData) { return (keyData & KEYDATA_RELEASED) != 0; }
inline constexpr uint8_t KeyDataScanCode(uint32_t keyData) { return static_cast<uint8_t>(keyData >> 16); }

}  // namespace vk
