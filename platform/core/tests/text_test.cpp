#include "platform/core/text.h"

#include <gtest/gtest.h>

#include "platform/core/testing/allocation_meter.h"

namespace vk {
namespace {

TEST(Text, RoundTripsEveryPlane) {
  const std::u16string text = u"A\u00E4\u20AC\U0001F600z";
  EXPECT_EQ(ToUtf8(text), "A\xC3\xA4\xE2\x82\xAC\xF0\x9F\x98\x80z");
  EXPECT_EQ(FromUtf8(ToUtf8(text)), text);
}

TEST(Text, BrokenInputBecomesReplacementCharacters) {
  EXPECT_EQ(FromUtf8("a\xC3"), u"a\uFFFD");          // truncated sequence
  EXPECT_EQ(FromUtf8("\xC0\x80"), u"\uFFFD");        // overlong NUL
  EXPECT_EQ(FromUtf8("\xED\xA0\x80x"), u"\uFFFDx");  // encoded surrogate
  EXPECT_EQ(FromUtf8("\xFF"), u"\uFFFD");
  EXPECT_EQ(ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");  // lone surrogate
}

// A password turned into UTF-8 must not leave pieces of itself in freed
// memory: the result is allocated once, at its final size.
TEST(Text, ConversionToUtf8AllocatesOnceAtTheExactSize) {
  std::u16string secret;
  for (int i = 0; i < 40; ++i) secret += u"p\u00E4\u20AC\U0001F600";
  for (std::u16string_view text : {std::u16string_view(secret), std::u16string_view(u"\u00E4\u00F6\u00FC\u00DF")}) {
    std::string utf8;
    vktest::AllocationCounts counts;
    {
      vktest::AllocationMeter meter;
      utf8 = ToUtf8(text);
      counts = meter.Counts();
    }
    EXPECT_EQ(FromUtf8(utf8), text);
    EXPECT_LE(counts.calls, 1u) << "a grown buffer leaves its old copy behind";
    if (counts.calls == 1) {
      EXPECT_EQ(counts.peakBytes, utf8.size() + 1);
    }
  }
}

}  // namespace
}  // namespace vk
