#include "console/ui/key_translation.h"

#include <QKeyEvent>

#include "common/protocol/virtual_keys.h"

namespace {

constexpr uint32_t kXkShiftR = 0xffe2;
constexpr uint32_t kXkControlR = 0xffe4;
constexpr uint32_t kXkAltR = 0xffea;
constexpr uint32_t kXkIsoLevel3Shift = 0xfe03;  // AltGr

// Shifted characters of a US keyboard and the key that types them: Qt
// reports the character, the agent wants the key.
struct ShiftedKey {
  char16_t character;
  uint8_t vk;
};
constexpr ShiftedKey kShifted[] = {
    {u'!', '1'},          {u'@', '2'},         {u'#', '3'},          {u'$', '4'},           {u'%', '5'},
    {u'^', '6'},          {u'&', '7'},         {u'*', '8'},          {u'(', '9'},           {u')', '0'},
    {u'_', VK_OEM_MINUS}, {u'+', VK_OEM_PLUS}, {u'{', VK_OEM_4},     {u'}', VK_OEM_6},      {u'|', VK_OEM_5},
    {u':', VK_OEM_1},     {u'"', VK_OEM_7},    {u'<', VK_OEM_COMMA}, {u'>', VK_OEM_PERIOD}, {u'?', VK_OEM_2},
    {u'~', VK_OEM_3},
};

}  // namespace

uint8_t VkVirtualKeyForQt(int qtKey, bool keypad, uint32_t nativeKeysym) {
  switch (nativeKeysym) {
    case kXkShiftR:
      return VK_RSHIFT;
    case kXkControlR:
      return VK_RCONTROL;
    case kXkAltR:
    case kXkIsoLevel3Shift:
      return VK_RMENU;
    default:
      break;
  }
  if (qtKey == Qt::Key_AltGr) return VK_RMENU;
  if (qtKey == Qt::Key_Backtab) return VK_TAB;
  if (auto key = vk::FindVirtualKeyForQtKey(static_cast<uint32_t>(qtKey), keypad)) return key->vk;
  for (const ShiftedKey& shifted : kShifted) {
    if (static_cast<int>(shifted.character) == qtKey) return shifted.vk;
  }
  return 0;
}

std::optional<vk::InputDatagram> VkKeyRecord(const QKeyEvent& event, bool released) {
  if (released && event.isAutoRepeat()) return std::nullopt;
  const bool keypad = (event.modifiers() & Qt::KeypadModifier) != 0;
  const uint8_t vk = VkVirtualKeyForQt(event.key(), keypad, event.nativeVirtualKey());
  if (vk == 0) return std::nullopt;
  auto key = vk::FindVirtualKey(vk);
  const bool extended = key && key->extended;
  // X key codes are the evdev codes plus 8; for the keys of a PC keyboard
  // those are the set-1 scan codes.
  const quint32 native = event.nativeScanCode();
  const uint8_t scan = native >= 8 ? static_cast<uint8_t>(native - 8) : 0;
  uint32_t keyData = vk::MakeKeyData(scan, extended, released);
  if (!released && event.isAutoRepeat()) keyData |= vk::KEYDATA_PREVIOUS_DOWN;
  return vk::InputDatagram{released ? WM_KEYUP : WM_KEYDOWN, vk, keyData};
}

uint32_t VkMouseButtonState(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
  uint32_t state = 0;
  if (buttons & Qt::LeftButton) state |= MK_LBUTTON;
  if (buttons & Qt::RightButton) state |= MK_RBUTTON;
  if (buttons & Qt::MiddleButton) state |= MK_MBUTTON;
  if (modifiers & Qt::ShiftModifier) state |= MK_SHIFT;
  if (modifiers & Qt::ControlModifier) state |= MK_CONTROL;
  return state;
}
