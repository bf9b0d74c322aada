#include "platform/core/text.h"

#include <gtest/gtest.h>

namespace vk {
namespace {

TEST(Text, RoundTripsEveryPlane) {
  const std::u16string text = u"A\u00E4\u20AC\U0001F600z";
  EXPECT_EQ(ToUtf8(text), "A\xC3\xA4\xE2\x82\xAC\xF0\x9F\x98\x80z");
  EXPECT_EQ(FromUtf8(ToUtf8(text)), text);
}

TEST(Text, BrokenInputBecomesReplacementCharacters) {
  EXPECT_EQ(FromUtf8("a\xC3"), u"a\uFFFD");             // truncated sequence
  EXPECT_EQ(FromUtf8("\xC0\x80"), u"\uFFFD");           // overlong NUL
  EXPECT_EQ(FromUtf8("\xED\xA0\x80x"), u"\uFFFDx");     // encoded surrogate
  EXPECT_EQ(FromUtf8("\xFF"), u"\uFFFD");
  EXPECT_EQ(ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");  // lone surrogate
}

}  // namespace
}  // namespace vk
