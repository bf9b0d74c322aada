// The configuration sheet's field rules: seconds shown and read back,
// refresh fills, send intervals and the ports of the two channels.
#include <gtest/gtest.h>

#include "console/core/settings_rules.h"

namespace {

TEST(SettingsRules, SecondsAreShownWithTwoDecimalsTrimmed) {
  EXPECT_EQ(VkSecondsText(2500), u"2.5");
  EXPECT_EQ(VkSecondsText(5000), u"5");
  EXPECT_EQ(VkSecondsText(0), u"0");
  EXPECT_EQ(VkSecondsText(1250), u"1.25");
  EXPECT_EQ(VkSecondsText(1), u"0");  // 0.001 s rounds to two decimals
  EXPECT_EQ(VkSecondsText(1010), u"1.01");
  EXPECT_EQ(VkSecondsText(100), u"0.1");
  EXPECT_EQ(VkSecondsText(99999000), u"99999");
}

TEST(SettingsRules, SecondsFieldsGiveTruncatedMillisecondsOrNothing) {
  EXPECT_EQ(VkMillisecondsFromSeconds(u"0.5"), 500);
  EXPECT_EQ(VkMillisecondsFromSeconds(u"2.5"), 2500);
  EXPECT_EQ(VkMillisecondsFromSeconds(u"1.0009"), 1000);
  EXPECT_EQ(VkMillisecondsFromSeconds(u"7"), 7000);
  EXPECT_EQ(VkMillisecondsFromSeconds(u".25"), 250);
  // What does not parse, or would switch refreshing into a flood, keeps the
  // old interval.
  for (std::u16string_view bad : {u"", u"abc", u"1.2.3", u"0", u"0.0004", u"-1", u"1e9", u"5 ", u"\u0663"})
    EXPECT_FALSE(VkMillisecondsFromSeconds(bad).has_value()) << std::string(bad.begin(), bad.end());
}

TEST(SettingsRules, RefreshFillsTheStoredValueOrTheDefault) {
  EXPECT_EQ(VkRefreshFill(-1, kVkFullRefreshFill), u"5");
  EXPECT_EQ(VkRefreshFill(-1, kVkForegroundRefreshFill), u"1");
  EXPECT_EQ(VkRefreshFill(2500, kVkFullRefreshFill), u"2.5");
  EXPECT_EQ(VkRefreshFill(-40, kVkForegroundRefreshFill), u"1");
  EXPECT_TRUE(VkIntervalShowable(-1));
  EXPECT_TRUE(VkIntervalShowable(1));
  EXPECT_FALSE(VkIntervalShowable(0));
  EXPECT_FALSE(VkIntervalShowable(-2));
}

TEST(SettingsRules, SendIntervalIsAPositiveIntegerOfAtMostSevenDigits) {
  EXPECT_EQ(VkSendIntervalFromText(u"100"), 100);
  EXPECT_EQ(VkSendIntervalFromText(u"9999999"), 9999999);
  for (std::u16string_view bad : {u"", u"0", u"10000000", u"-5", u"1.5", u"12a"})
    EXPECT_FALSE(VkSendIntervalFromText(bad).has_value()) << std::string(bad.begin(), bad.end());
  EXPECT_FALSE(VkSendIntervalShowable(0));
  EXPECT_FALSE(VkSendIntervalShowable(-1));
  EXPECT_TRUE(VkSendIntervalShowable(100));
}

TEST(SettingsRules, PortsFallBackToTheChannelDefaults) {
  EXPECT_EQ(VkPortFill(0, kVkDefaultUpdatePort), 48384);
  EXPECT_EQ(VkPortFill(0xFFFF, kVkDefaultInputPort), 48386);
  EXPECT_EQ(VkPortFill(5900, kVkDefaultUpdatePort), 5900);
  EXPECT_TRUE(VkPortTextTooLarge(u"70000"));
  EXPECT_TRUE(VkPortTextTooLarge(u"65536"));
  EXPECT_FALSE(VkPortTextTooLarge(u"65535"));
  EXPECT_FALSE(VkPortTextTooLarge(u""));
  EXPECT_EQ(VkPortToStore(u"5900", kVkDefaultUpdatePort), 5900);
  EXPECT_EQ(VkPortToStore(u"", kVkDefaultUpdatePort), 48384);
  EXPECT_EQ(VkPortToStore(u"0", kVkDefaultInputPort), 48386);
  EXPECT_EQ(VkPortToStore(u"70000", kVkDefaultInputPort), 48386);
  EXPECT_EQ(VkPortToStore(u"65535", kVkDefaultInputPort), 65535);
}

TEST(SettingsRules, OnlyKnownModesAndLevelsAreShown) {
  EXPECT_FALSE(VkConnectionModeShowable(0));
  EXPECT_TRUE(VkConnectionModeShowable(3));
  EXPECT_FALSE(VkConnectionModeShowable(4));
  EXPECT_FALSE(VkNotificationModeShowable(0));
  EXPECT_TRUE(VkNotificationModeShowable(4));
  EXPECT_FALSE(VkNotificationModeShowable(5));
  EXPECT_TRUE(VkLevelShowable(0));
  EXPECT_TRUE(VkLevelShowable(9));
  EXPECT_FALSE(VkLevelShowable(-1));
  EXPECT_FALSE(VkLevelShowable(10));
}

}  // namespace
