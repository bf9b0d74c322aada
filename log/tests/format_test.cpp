#include "log/format.h"

#include <gtest/gtest.h>

#include <climits>

namespace vk {
namespace {

std::u16string Fmt(std::u16string_view f, std::initializer_list<FormatArg> args, FormatResult expect = FormatResult::Ok,
                   size_t limit = SIZE_MAX) {
  std::u16string out;
  EXPECT_EQ(FormatWide(out, f, std::span<const FormatArg>(args.begin(), args.size()), limit), expect);
  return out;
}

TEST(Format, IntegersAreThirtyTwoBitsLikeTheOriginalPlatform) {
  EXPECT_EQ(Fmt(u"port %ld. Errorcode %ld.", {48384, -5}), u"port 48384. Errorcode -5.");
  EXPECT_EQ(Fmt(u"%ld", {int64_t{0x100000005}}), u"5");  // long is 32 bits there
  EXPECT_EQ(Fmt(u"%lu", {-1}), u"4294967295");
  EXPECT_EQ(Fmt(u"%08X|%x|%X", {0xBEEFu, 255u, -1}), u"0000BEEF|ff|FFFFFFFF");
  EXPECT_EQ(Fmt(u"%d", {INT32_MIN}), u"-2147483648");
  EXPECT_EQ(Fmt(u"%I64d %llu", {int64_t{-7000000000}, uint64_t{18000000000}}), u"-7000000000 18000000000");
  EXPECT_EQ(Fmt(u"%5d|%-5d|%+d", {42, 42, 42}), u"   42|42   |+42");
}

TEST(Format, StringMeaningsOfAWideFormat) {
  EXPECT_EQ(Fmt(u"'%s' '%S' '%T'", {u"wide", "narrow \xC3\xA4", u"also wide"}), u"'wide' 'narrow \u00E4' 'also wide'");
  EXPECT_EQ(Fmt(u"%.3s|%6s|%-4s|", {u"abcdef", u"ab", u"x"}), u"abc|    ab|x   |");
  EXPECT_EQ(Fmt(u"%s", {static_cast<const char16_t*>(nullptr)}), u"(null)");
  EXPECT_EQ(Fmt(u"%c%c %%", {u'A', 'b'}), u"Ab %");
  EXPECT_EQ(Fmt(u"Version %.1f", {1.0}), u"Version 1.0");
}

TEST(Format, MismatchesAreRefusedNotGuessed) {
  Fmt(u"%s", {42}, FormatResult::Invalid);       // number for a string
  Fmt(u"%d", {u"text"}, FormatResult::Invalid);  // string for a number
  Fmt(u"%S", {u"wide"}, FormatResult::Invalid);  // wide for narrow
  Fmt(u"%d %d", {1}, FormatResult::Invalid);     // too few arguments
  Fmt(u"%d", {1, 2}, FormatResult::Invalid);     // one left over
  Fmt(u"%y", {1}, FormatResult::Invalid);        // unknown conversion
  Fmt(u"ends in %", {}, FormatResult::Invalid);
  Fmt(u"%*d", {1, 2}, FormatResult::Invalid);  // star widths are not supported
}

TEST(Format, StopsAtTheLimit) {
  Fmt(u"0123456789", {}, FormatResult::Overflow, 9);
  EXPECT_EQ(Fmt(u"0123456789", {}, FormatResult::Ok, 10), u"0123456789");
  Fmt(u"%s", {std::u16string(5000, u'x')}, FormatResult::Overflow, 4095);
}

TEST(Format, CompileTimeCheck) {
  static constexpr ArgKind intString[] = {ArgKind::Int, ArgKind::WideStr};
  static_assert(CheckFormat(std::u16string_view(u"%ld '%s'"), intString, false));
  static_assert(!CheckFormat(std::u16string_view(u"%s %ld"), intString, false));
  static constexpr ArgKind narrowWide[] = {ArgKind::NarrowStr, ArgKind::WideStr, ArgKind::WideStr};
  // In a narrow format "%s" is narrow, "%S" and "%T" are wide.
  static_assert(CheckFormat(std::string_view("%s %S %T"), narrowWide, true));
  static_assert(!CheckFormat(std::u16string_view(u"%s %S %T"), narrowWide, false));
  EXPECT_EQ(Format(u"%s (%ld.%ld)", u"", 5, 3), u" (5.3)");
  EXPECT_EQ(Format(RuntimeFormat(u"%d"), u"x"), u"");  // checked at run time: invalid
}

}  // namespace
}  // namespace vk
