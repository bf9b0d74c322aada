#include "common/protocol/virtual_keys.h"

#include <array>

namespace vk {
namespace {

// X keysyms (X11 keysymdef.h, XF86keysym.h).
constexpr uint32_t XK_BackSpace = 0xff08, XK_Tab = 0xff09, XK_Clear = 0xff0b, XK_Return = 0xff0d, XK_Pause = 0xff13,
                   XK_Scroll_Lock = 0xff14, XK_Escape = 0xff1b, XK_Delete = 0xffff, XK_Home = 0xff50, XK_Left = 0xff51,
                   XK_Up = 0xff52, XK_Right = 0xff53, XK_Down = 0xff54, XK_Prior = 0xff55, XK_Next = 0xff56,
                   XK_End = 0xff57, XK_Select = 0xff60, XK_Print = 0xff61, XK_Execute = 0xff62, XK_Insert = 0xff63,
                   XK_Menu = 0xff67, XK_Help = 0xff6a, XK_Break = 0xff6b, XK_Num_Lock = 0xff7f, XK_KP_Enter = 0xff8d,
                   XK_KP_Multiply = 0xffaa, XK_KP_Add = 0xffab, XK_KP_Separator = 0xffac, XK_KP_Subtract = 0xffad,
                   XK_KP_Decimal = 0xffae, XK_KP_Divide = 0xffaf, XK_KP_0 = 0xffb0, XK_F1 = 0xffbe, XK_Shift_L = 0xffe1,
                   XK_Shift_R = 0xffe2, XK_Control_L = 0xffe3, XK_Control_R = 0xffe4, XK_Caps_Lock = 0xffe5,
                   XK_Alt_L = 0xffe9, XK_Alt_R = 0xffea, XK_Super_L = 0xffeb, XK_Super_R = 0xffec;
constexpr uint32_t XF86Back = 0x1008ff26, XF86Forward = 0x1008ff27, XF86Refresh = 0x1008ff29, XF86Stop = 0x1008ff28,
                   XF86Search = 0x1008ff1b, XF86Favorites = 0x1008ff30, XF86HomePage = 0x1008ff18,
                   XF86AudioMute = 0x1008ff12, XF86AudioLowerVolume = 0x1008ff11, XF86AudioRaiseVolume = 0x1008ff13,
                   XF86AudioNext = 0x1008ff17, XF86AudioPrev = 0x1008ff16, XF86AudioStop = 0x1008ff15,
                   XF86AudioPlay = 0x1008ff14, XF86Mail = 0x1008ff19, XF86AudioMedia = 0x1008ff32,
                   XF86Launch0 = 0x1008ff40, XF86Launch1 = 0x1008ff41, XF86Sleep = 0x1008ff2f;

// Qt::Key values (qnamespace.h).
constexpr uint32_t Qt_Escape = 0x01000000, Qt_Tab = 0x01000001, Qt_Backspace = 0x01000003, Qt_Return = 0x01000004,
                   Qt_Enter = 0x01000005, Qt_Insert = 0x01000006, Qt_Delete = 0x01000007, Qt_Pause = 0x01000008,
                   Qt_Print = 0x01000009, Qt_Clear = 0x0100000b, Qt_Home = 0x01000010, Qt_End = 0x01000011,
                   Qt_Left = 0x01000012, Qt_Up = 0x01000013, Qt_Right = 0x01000014, Qt_Down = 0x01000015,
                   Qt_PageUp = 0x01000016, Qt_PageDown = 0x01000017, Qt_Shift = 0x01000020, Qt_Control = 0x01000021,
                   Qt_Alt = 0x01000023, Qt_CapsLock = 0x01000024, Qt_NumLock = 0x01000025, Qt_ScrollLock = 0x01000026,
                   Qt_F1 = 0x01000030, Qt_Super_L = 0x01000053, Qt_Super_R = 0x01000054, Qt_Menu = 0x01000055,
                   Qt_Help = 0x01000058, Qt_Back = 0x01000061, Qt_Forward = 0x01000062, Qt_Stop = 0x01000063,
                   Qt_Refresh = 0x01000064, Qt_VolumeDown = 0x01000070, Qt_VolumeMute = 0x01000071,
                   Qt_VolumeUp = 0x01000072, Qt_MediaPlay = 0x01000080, Qt_MediaStop = 0x01000081,
                   Qt_MediaPrevious = 0x01000082, Qt_MediaNext = 0x01000083, Qt_HomePage = 0x01000090,
                   Qt_Favorites = 0x01000091, Qt_Search = 0x01000092, Qt_LaunchMail = 0x010000a0,
                   Qt_LaunchMedia = 0x010000a1, Qt_Launch0 = 0x010000a2, Qt_Launch1 = 0x010000a3,
                   Qt_Select = 0x01010000, Qt_Cancel = 0x01020001, Qt_Execute = 0x01020003, Qt_Sleep = 0x01020004;

constexpr VirtualKey Key(uint8_t vk, uint32_t keysym, uint32_t qtKey, bool extended = false) {
  return VirtualKey{vk, keysym, 0, qtKey, false, extended};
}
constexpr VirtualKey KeyPair(uint8_t vk, uint32_t keysym, uint32_t extendedKeysym, uint32_t qtKey) {
  return VirtualKey{vk, keysym, extendedKeysym, qtKey, false, false};
}
constexpr VirtualKey Pad(uint8_t vk, uint32_t keysym, uint32_t qtKey, bool extended = false) {
  return VirtualKey{vk, keysym, 0, qtKey, true, extended};
}

constexpr auto BuildTable() {
  std::array<VirtualKey, 160> table{};
  size_t n = 0;
  auto add = [&](VirtualKey key) { table[n++] = key; };
  add(Key(VK_CANCEL, XK_Break, Qt_Cancel, true));
  add(Key(VK_BACK, XK_BackSpace, Qt_Backspace));
  add(Key(VK_TAB, XK_Tab, Qt_Tab));
  add(Key(VK_CLEAR, XK_Clear, Qt_Clear));
  add(KeyPair(VK_RETURN, XK_Return, XK_KP_Enter, Qt_Return));
  add(Key(VK_SHIFT, XK_Shift_L, Qt_Shift));
  add(KeyPair(VK_CONTROL, XK_Control_L, XK_Control_R, Qt_Control));
  add(KeyPair(VK_MENU, XK_Alt_L, XK_Alt_R, Qt_Alt));
  add(Key(VK_PAUSE, XK_Pause, Qt_Pause));
  add(Key(VK_CAPITAL, XK_Caps_Lock, Qt_CapsLock));
  add(Key(VK_ESCAPE, XK_Escape, Qt_Escape));
  add(Key(VK_SPACE, ' ', ' '));
  add(Key(VK_PRIOR, XK_Prior, Qt_PageUp, true));
  add(Key(VK_NEXT, XK_Next, Qt_PageDown, true));
  add(Key(VK_END, XK_End, Qt_End, true));
  add(Key(VK_HOME, XK_Home, Qt_Home, true));
  add(Key(VK_LEFT, XK_Left, Qt_Left, true));
  add(Key(VK_UP, XK_Up, Qt_Up, true));
  add(Key(VK_RIGHT, XK_Right, Qt_Right, true));
  add(Key(VK_DOWN, XK_Down, Qt_Down, true));
  add(Key(VK_SELECT, XK_Select, Qt_Select));
  add(Key(VK_PRINT, XK_Print, 0));
  add(Key(VK_EXECUTE, XK_Execute, Qt_Execute));
  add(Key(VK_SNAPSHOT, XK_Print, Qt_Print, true));
  add(Key(VK_INSERT, XK_Insert, Qt_Insert, true));
  add(Key(VK_DELETE, XK_Delete, Qt_Delete, true));
  add(Key(VK_HELP, XK_Help, Qt_Help));
  for (uint8_t d = 0; d < 10; ++d) add(Key(static_cast<uint8_t>('0' + d), '0' + d, '0' + d));
  for (uint8_t c = 0; c < 26; ++c) add(Key(static_cast<uint8_t>('A' + c), 'a' + c, 'A' + c));
  add(Key(VK_LWIN, XK_Super_L, Qt_Super_L, true));
  add(Key(VK_RWIN, XK_Super_R, Qt_Super_R, true));
  add(Key(VK_APPS, XK_Menu, Qt_Menu, true));
  add(Key(VK_SLEEP, XF86Sleep, Qt_Sleep));
  for (uint8_t d = 0; d < 10; ++d) add(Pad(static_cast<uint8_t>(VK_NUMPAD0 + d), XK_KP_0 + d, '0' + d));
  add(Pad(VK_MULTIPLY, XK_KP_Multiply, '*'));
  add(Pad(VK_ADD, XK_KP_Add, '+'));
  add(Pad(VK_SEPARATOR, XK_KP_Separator, ','));
  add(Pad(VK_SUBTRACT, XK_KP_Subtract, '-'));
  add(Pad(VK_DECIMAL, XK_KP_Decimal, '.'));
  add(Pad(VK_DIVIDE, XK_KP_Divide, '/', true));
  for (uint8_t f = 0; f < 24; ++f) add(Key(static_cast<uint8_t>(VK_F1 + f), XK_F1 + f, Qt_F1 + f));
  add(Key(VK_NUMLOCK, XK_Num_Lock, Qt_NumLock, true));
  add(Key(VK_SCROLL, XK_Scroll_Lock, Qt_ScrollLock));
  add(Key(VK_LSHIFT, XK_Shift_L, 0));
  add(Key(VK_RSHIFT, XK_Shift_R, 0));
  add(Key(VK_LCONTROL, XK_Control_L, 0));
  add(Key(VK_RCONTROL, XK_Control_R, 0, true));
  add(Key(VK_LMENU, XK_Alt_L, 0));
  add(Key(VK_RMENU, XK_Alt_R, 0, true));
  add(Key(VK_BROWSER_BACK, XF86Back, Qt_Back, true));
  add(Key(VK_BROWSER_FORWARD, XF86Forward, Qt_Forward, true));
  add(Key(VK_BROWSER_REFRESH, XF86Refresh, Qt_Refresh, true));
  add(Key(VK_BROWSER_STOP, XF86Stop, Qt_Stop, true));
  add(Key(VK_BROWSER_SEARCH, XF86Search, Qt_Search, true));
  add(Key(VK_BROWSER_FAVORITES, XF86Favorites, Qt_Favorites, true));
  add(Key(VK_BROWSER_HOME, XF86HomePage, Qt_HomePage, true));
  add(Key(VK_VOLUME_MUTE, XF86AudioMute, Qt_VolumeMute, true));
  add(Key(VK_VOLUME_DOWN, XF86AudioLowerVolume, Qt_VolumeDown, true));
  add(Key(VK_VOLUME_UP, XF86AudioRaiseVolume, Qt_VolumeUp, true));
  add(Key(VK_MEDIA_NEXT_TRACK, XF86AudioNext, Qt_MediaNext, true));
  add(Key(VK_MEDIA_PREV_TRACK, XF86AudioPrev, Qt_MediaPrevious, true));
  add(Key(VK_MEDIA_STOP, XF86AudioStop, Qt_MediaStop, true));
  add(Key(VK_MEDIA_PLAY_PAUSE, XF86AudioPlay, Qt_MediaPlay, true));
  add(Key(VK_LAUNCH_MAIL, XF86Mail, Qt_LaunchMail, true));
  add(Key(VK_LAUNCH_MEDIA_SELECT, XF86AudioMedia, Qt_LaunchMedia, true));
  add(Key(VK_LAUNCH_APP1, XF86Launch0, Qt_Launch0, true));
  add(Key(VK_LAUNCH_APP2, XF86Launch1, Qt_Launch1, true));
  add(Key(VK_OEM_1, ';', ';'));
  add(Key(VK_OEM_PLUS, '=', '='));
  add(Key(VK_OEM_COMMA, ',', ','));
  add(Key(VK_OEM_MINUS, '-', '-'));
  add(Key(VK_OEM_PERIOD, '.', '.'));
  add(Key(VK_OEM_2, '/', '/'));
  add(Key(VK_OEM_3, '`', '`'));
  add(Key(VK_OEM_4, '[', '['));
  add(Key(VK_OEM_5, '\\', '\\'));
  add(Key(VK_OEM_6, ']', ']'));
  add(Key(VK_OEM_7, '\'', '\''));
  add(Key(VK_OEM_102, '<', '<'));
  struct Result {
    std::array<VirtualKey, 160> keys;
    size_t count;
  };
  return Result{table, n};
}

constexpr auto kTable = BuildTable();

}  // namespace

std::span<const VirtualKey> VirtualKeyTable() { return {kTable.keys.data(), kTable.count}; }

std::optional<VirtualKey> FindVirtualKey(uint8_t vk) {
  for (const VirtualKey& key : VirtualKeyTable()) {
    if (key.vk == vk) return key;
  }
  return std::nullopt;
}

uint32_t KeysymForVirtualKey(uint8_t vk, bool extended) {
  std::optional<VirtualKey> key = FindVirtualKey(vk);
  if (!key) return 0;
  return (extended && key->extendedKeysym != 0) ? key->extendedKeysym : key->keysym;
}

std::optional<VirtualKey> FindVirtualKeyForQtKey(uint32_t qtKey, bool keypad) {
  if (qtKey == Qt_Enter) return FindVirtualKey(VK_RETURN);
  for (const VirtualKey& key : VirtualKeyTable()) {
    if (key.qtKey == qtKey && key.qtKey != 0 && key.keypad == keypad) return key;
  }
  // Keys that only exist on the keypad (Qt flags them) fall back to the main block.
  if (keypad) return FindVirtualKeyForQtKey(qtKey, false);
  return std::nullopt;
}

}  // namespace vk
