#include "common/protocol/virtual_keys.h"

#include <gtest/gtest.h>
#include <Qt>

#include <set>

namespace {

TEST(VirtualKeys, EachCodeOnceAndEveryKeyHasAKeysym) {
  std::set<uint8_t> seen;
  for (const vk::VirtualKey& key : vk::VirtualKeyTable()) {
    EXPECT_TRUE(seen.insert(key.vk).second) << "duplicate vk " << int(key.vk);
    EXPECT_NE(key.keysym, 0u) << int(key.vk);
  }
  EXPECT_GT(seen.size(), 140u);
}

TEST(VirtualKeys, KeysymsOfCommonKeys) {
  EXPECT_EQ(vk::KeysymForVirtualKey('A', false), 0x61u);  // a
  EXPECT_EQ(vk::KeysymForVirtualKey('Z', true), 0x7au);
  EXPECT_EQ(vk::KeysymForVirtualKey('7', false), 0x37u);
  EXPECT_EQ(vk::KeysymForVirtualKey(VK_RETURN, false), 0xff0du);
  EXPECT_EQ(vk::KeysymForVirtualKey(VK_RETURN, true), 0xff8du);   // keypad Enter
  EXPECT_EQ(vk::KeysymForVirtualKey(VK_CONTROL, true), 0xffe4u);  // right Ctrl
  EXPECT_EQ(vk::KeysymForVirtualKey(VK_MENU, false), 0xffe9u);
  EXPECT_EQ(vk::KeysymForVirtualKey(VK_F4, false), 0xffc1u);
  EXPECT_EQ(vk::KeysymForVirtualKey(VK_F24, false), 0xffd5u);
  EXPECT_EQ(vk::KeysymForVirtualKey(VK_NUMPAD0 + 5, false), 0xffb5u);
  EXPECT_EQ(vk::KeysymForVirtualKey(VK_OEM_2, false), uint32_t('/'));
  EXPECT_EQ(vk::KeysymForVirtualKey(0xFF, false), 0u);
  EXPECT_EQ(vk::KeysymForVirtualKey(0x07, false), 0u);
}

// The Qt column must agree with Qt's own key numbers.
TEST(VirtualKeys, QtKeysMatchQtsEnumeration) {
  struct Expect {
    uint8_t vk;
    Qt::Key key;
    bool keypad;
  };
  const Expect cases[] = {
      {VK_ESCAPE, Qt::Key_Escape, false},
      {VK_BACK, Qt::Key_Backspace, false},
      {VK_TAB, Qt::Key_Tab, false},
      {VK_RETURN, Qt::Key_Return, false},
      {VK_INSERT, Qt::Key_Insert, false},
      {VK_DELETE, Qt::Key_Delete, false},
      {VK_HOME, Qt::Key_Home, false},
      {VK_NEXT, Qt::Key_PageDown, false},
      {VK_DOWN, Qt::Key_Down, false},
      {VK_SHIFT, Qt::Key_Shift, false},
      {VK_CONTROL, Qt::Key_Control, false},
      {VK_MENU, Qt::Key_Alt, false},
      {VK_CAPITAL, Qt::Key_CapsLock, false},
      {VK_NUMLOCK, Qt::Key_NumLock, false},
      {VK_F1, Qt::Key_F1, false},
      {VK_F24, Qt::Key_F24, false},
      {VK_LWIN, Qt::Key_Super_L, false},
      {VK_APPS, Qt::Key_Menu, false},
      {VK_SNAPSHOT, Qt::Key_Print, false},
      {VK_PAUSE, Qt::Key_Pause, false},
      {VK_VOLUME_MUTE, Qt::Key_VolumeMute, false},
      {VK_MEDIA_PLAY_PAUSE, Qt::Key_MediaPlay, false},
      {VK_BROWSER_HOME, Qt::Key_HomePage, false},
      {VK_LAUNCH_APP2, Qt::Key_Launch1, false},
      {VK_SLEEP, Qt::Key_Sleep, false},
      {VK_SELECT, Qt::Key_Select, false},
      {VK_EXECUTE, Qt::Key_Execute, false},
      {VK_CANCEL, Qt::Key_Cancel, false},
      {'Q', Qt::Key_Q, false},
      {'4', Qt::Key_4, false},
      {VK_OEM_4, Qt::Key_BracketLeft, false},
      {VK_OEM_7, Qt::Key_Apostrophe, false},
      {VK_NUMPAD0 + 4, Qt::Key_4, true},
      {VK_DIVIDE, Qt::Key_Slash, true},
      {VK_MULTIPLY, Qt::Key_Asterisk, true},
  };
  for (const Expect& c : cases) {
    auto key = vk::FindVirtualKeyForQtKey(static_cast<uint32_t>(c.key), c.keypad);
    ASSERT_TRUE(key) << "Qt key " << std::hex << c.key;
    EXPECT_EQ(key->vk, c.vk) << "Qt key " << std::hex << c.key;
  }
  // Keypad Enter is the extended Return; keypad Home falls back to the main block.
  EXPECT_EQ(vk::FindVirtualKeyForQtKey(Qt::Key_Enter, true)->vk, VK_RETURN);
  EXPECT_EQ(vk::FindVirtualKeyForQtKey(Qt::Key_Home, true)->vk, VK_HOME);
  EXPECT_FALSE(vk::FindVirtualKeyForQtKey(Qt::Key_Plus, false));
}

}  // namespace
