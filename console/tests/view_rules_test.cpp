// The viewer's rules without windows: layout and aspect ratio, scroll
// limits, window and remote coordinates, the stretch modes that keep dark
// or light detail, which messages are forwarded, the special commands, the
// error dialog's texts and the command line.
#include <gtest/gtest.h>

#include "common/protocol/virtual_keys.h"
#include "console/core/command_line.h"
#include "console/core/error_texts.h"
#include "console/core/input_rules.h"
#include "console/core/stretch.h"
#include "console/core/view_geometry.h"

namespace {

TEST(ViewLayout, ScaledKeepsTheAspectRatioAndTiesGoToTheHeight) {
  VkViewLayout layout;
  layout.scaleMode = kHalfTone;
  layout.scrollX = 7;
  VkComputeLayout(layout, 640, 800, 1280, 800);  // width decides
  EXPECT_DOUBLE_EQ(layout.scale, 2.0);
  EXPECT_EQ(layout.windowUnits, 1);
  EXPECT_EQ(layout.remoteUnits, 2);
  EXPECT_EQ(layout.scrollX, 0);
  const VkRect whole = VkRemoteToWindow(layout, VkRect{0, 0, 1280, 800});
  EXPECT_EQ(whole.right - 1, 640);  // widened by one pixel at the far edges
  EXPECT_EQ(whole.bottom - 1, 400);

  VkComputeLayout(layout, 640, 400, 1280, 800);  // exactly proportional
  EXPECT_DOUBLE_EQ(layout.scale, 2.0);
  EXPECT_EQ(layout.remoteUnits * 400, layout.windowUnits * 800);  // height decided

  VkComputeLayout(layout, 3000, 1000, 1000, 500);  // enlarged too
  EXPECT_DOUBLE_EQ(layout.scale, 0.5);
  EXPECT_EQ(VkWindowToRemotePoint(layout, vk::MakePointParam(100, 50)), vk::MakePointParam(50, 25));
}

TEST(ViewLayout, OneToOneScrollsWithinTheRemoteScreen) {
  VkViewLayout layout;
  VkComputeLayout(layout, 500, 300, 1280, 800);
  EXPECT_EQ(layout.horizontal.maximum, 780);
  EXPECT_EQ(layout.vertical.maximum, 500);
  VkScrollBar bar = layout.horizontal;
  bar.position = 700;
  EXPECT_EQ(VkScrollTo(bar, VkScrollAction::PageDown), 780);  // stops at the maximum
  bar.position = 100;
  EXPECT_EQ(VkScrollTo(bar, VkScrollAction::PageUp), 0);  // and at the minimum
  EXPECT_EQ(VkScrollTo(bar, VkScrollAction::LineUp), 99);
  bar.position = 0;
  EXPECT_EQ(VkScrollTo(bar, VkScrollAction::LineUp), 0);
  bar.position = 780;
  EXPECT_EQ(VkScrollTo(bar, VkScrollAction::LineDown), 780);
  EXPECT_EQ(VkScrollTo(bar, VkScrollAction::Top), 0);
  EXPECT_EQ(VkScrollTo(bar, VkScrollAction::Thumb, 5000), 780);
  EXPECT_EQ(VkScrollTo(bar, VkScrollAction::EndScroll), 780);

  layout.scrollX = 30;
  layout.scrollY = 40;
  EXPECT_EQ(VkRemoteToWindow(layout, VkRect{30, 40, 50, 60}), (VkRect{0, 0, 20, 20}));
  EXPECT_EQ(VkWindowToRemotePoint(layout, vk::MakePointParam(-2, 3)), vk::MakePointParam(28, 43));

  VkComputeLayout(layout, 2000, 1000, 1280, 800);  // nothing to scroll
  EXPECT_LT(layout.horizontal.maximum, layout.horizontal.minimum);
  EXPECT_EQ(layout.scrollX, 0);
}

TEST(ViewLayout, ScaledPaintingSnapsToWholeRemotePixels) {
  VkViewLayout layout;
  layout.scaleMode = kColorOnColor;
  VkComputeLayout(layout, 500, 400, 1000, 600);  // 1:2
  const VkStretchArea area = VkStretchAreaFor(layout, VkRect{3, 5, 10, 9});
  EXPECT_EQ(area.window, (VkRect{3, 5, 10, 9}));
  EXPECT_EQ(area.remote, (VkRect{6, 10, 20, 18}));

  VkComputeLayout(layout, 300, 300, 500, 100);  // 3:5
  const VkStretchArea snapped = VkStretchAreaFor(layout, VkRect{4, 1, 7, 2});
  EXPECT_EQ(snapped.window, (VkRect{3, 0, 9, 3}));
  EXPECT_EQ(snapped.remote, (VkRect{5, 0, 15, 5}));
}

TEST(Stretch, BlackOnWhiteKeepsDarkAndWhiteOnBlackKeepsLight) {
  // A white picture with one black pixel and one black picture with one white pixel.
  std::vector<uint32_t> white(16, 0xFFFFFFFF), black(16, 0xFF000000);
  white[5] = 0xFF000000;
  black[10] = 0xFFFFFFFF;
  uint32_t out[4];
  VkStretchCombine(white.data(), 4, VkRect{0, 0, 4, 4}, out, 2, 2, 2, true);
  EXPECT_EQ(out[0], 0xFF000000u);  // the black pixel survives the halving
  EXPECT_EQ(out[3], 0xFFFFFFFFu);
  VkStretchCombine(black.data(), 4, VkRect{0, 0, 4, 4}, out, 2, 2, 2, false);
  EXPECT_EQ(out[3], 0xFFFFFFFFu);  // and the white one here
  EXPECT_EQ(out[0], 0xFF000000u);
}

TEST(InputRules, F4AndSystemKeyDownAreNeverForwarded) {
  EXPECT_TRUE(VkForwardsMessage(WM_KEYDOWN, 'A'));
  EXPECT_TRUE(VkForwardsMessage(WM_SYSKEYUP, VK_MENU));
  EXPECT_FALSE(VkForwardsMessage(WM_KEYDOWN, VK_F4));
  EXPECT_FALSE(VkForwardsMessage(WM_KEYUP, VK_F4));
  EXPECT_FALSE(VkForwardsMessage(WM_SYSKEYDOWN, 'X'));
  EXPECT_TRUE(VkForwardsMessage(WM_MOUSEMOVE, 0));
  EXPECT_TRUE(VkForwardsMessage(WM_MOUSEWHEEL, 0));
  EXPECT_FALSE(VkForwardsMessage(0x20B, 0));
  EXPECT_FALSE(VkForwardsMessage(INPUT_CMD_ALT_F4, 0));

  const auto altF4 = VkSpecialCommandRecord(ID_ALT_F4);
  ASSERT_TRUE(altF4);
  EXPECT_EQ(altF4->code, 0x468u);
  const auto reboot = VkSpecialCommandRecord(ID_REBOOT);
  ASSERT_TRUE(reboot);
  EXPECT_EQ(reboot->code, 0x467u);
  EXPECT_EQ(reboot->param1, 2u);
  EXPECT_EQ(VkSpecialCommandRecord(ID_SHUTDOWN)->param1, 1u);
  EXPECT_EQ(VkSpecialCommandRecord(ID_LOG_OFF)->param1, 0u);
  EXPECT_EQ(VkSpecialCommandRecord(ID_REFRESH)->code, 0x465u);
  EXPECT_FALSE(VkSpecialCommandRecord(32836));  // Copy From has no record
}

TEST(ErrorTexts, TitlesByCode) {
  EXPECT_EQ(VkErrorTextsFor(-19).title, u"Connection closed");
  EXPECT_EQ(VkErrorTextsFor(-3).title, u"Wrong version");
  EXPECT_EQ(VkErrorTextsFor(-1).title, u"General error");
  EXPECT_EQ(VkErrorTextsFor(1060).title, u"Service not installed?");
  EXPECT_EQ(VkErrorTextsFor(1715).title, u"Service not started?");
  EXPECT_EQ(VkErrorTextsFor(10061).title, u"Service not started/installed?");
  EXPECT_EQ(VkErrorTextsFor(13).title, u"Error");
}

TEST(CommandLine, ConnectTakesHostAndPortButNeverAPassword) {
  std::string error;
  auto options = VkParseConsoleOptions(
      {"--connect", "pc1:5000", "--user", "bob", "--domain", "D", "--password-stdin", "--input-port", "5002"}, error);
  ASSERT_TRUE(options) << error;
  EXPECT_EQ(options->host, u"pc1");
  EXPECT_EQ(options->updatePort, 5000);
  EXPECT_EQ(options->inputPort, 5002);
  EXPECT_EQ(options->user, u"bob");
  EXPECT_TRUE(options->passwordFromStdin);
  EXPECT_FALSE(VkParseConsoleOptions({"--password", "x"}, error));
  EXPECT_FALSE(VkParseConsoleOptions({"--connect", "pc1:70000"}, error));
  EXPECT_FALSE(VkParseConsoleOptions({"--connect"}, error));
  EXPECT_TRUE(VkParseConsoleOptions({}, error)->host.empty());
}

}  // namespace
