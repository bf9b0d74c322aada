// Counts, strings and primitive items of the archive format.
#include <gtest/gtest.h>

#include "common/archive/archive.h"
#include "common/archive/tests/test_bytes.h"

using vktest::Cat;
using vktest::Hex;

namespace {

std::vector<uint8_t> StringBytes(std::u16string_view text) {
  std::vector<uint8_t> out;
  cVkArchive ar(&out);
  ar.WriteString(text);
  EXPECT_EQ(ar.Failure(), 0);
  return out;
}

struct ReadResult {
  std::u16string text;
  int32_t cause;
  size_t remaining;
};

ReadResult ReadStringFrom(const std::vector<uint8_t>& bytes) {
  cVkArchive ar{std::span<const uint8_t>(bytes)};
  std::u16string text = ar.ReadString();
  return {text, ar.Failure(), ar.Remaining()};
}

std::vector<uint8_t> CountBytes(uint64_t count) {
  std::vector<uint8_t> out;
  cVkArchive ar(&out);
  ar.WriteCount(count);
  return out;
}

TEST(ArchiveStrings, WritesTheUnicodeMarkerAndEachLengthEscape) {
  EXPECT_EQ(StringBytes(u""), Hex("FF FE FF 00"));
  EXPECT_EQ(StringBytes(u"ab"), Hex("FF FE FF 02 61 00 62 00"));
  auto prefix = [](const std::vector<uint8_t>& v, size_t n) { return std::vector<uint8_t>(v.begin(), v.begin() + n); };
  EXPECT_EQ(prefix(StringBytes(std::u16string(254, u'x')), 4), Hex("FF FE FF FE"));
  EXPECT_EQ(prefix(StringBytes(std::u16string(255, u'x')), 6), Hex("FF FE FF FF FF 00"));
  EXPECT_EQ(prefix(StringBytes(std::u16string(300, u'x')), 6), Hex("FF FE FF FF 2C 01"));
  EXPECT_EQ(prefix(StringBytes(std::u16string(0xFFFD, u'x')), 6), Hex("FF FE FF FF FD FF"));
  // 0xFFFE itself no longer fits the WORD form.
  auto big = StringBytes(std::u16string(0xFFFE, u'x'));
  EXPECT_EQ(prefix(big, 10), Hex("FF FE FF FF FF FF FE FF 00 00"));
  EXPECT_EQ(big.size(), 10u + 2 * 0xFFFE);
  // Non-ASCII code units go out as little-endian UTF-16.
  EXPECT_EQ(StringBytes(u"\u20AC\U0001F600"), Hex("FF FE FF 03 AC 20 3D D8 00 DE"));
}

TEST(ArchiveStrings, ReadsEveryFormBack) {
  for (size_t n : {0u, 1u, 254u, 255u, 300u, 0xFFFDu, 0xFFFEu, 0xFFFFu, 70000u}) {
    std::u16string text(n, u'\0');
    for (size_t i = 0; i < n; ++i) text[i] = static_cast<char16_t>(0x41 + i % 0x3000);
    auto r = ReadStringFrom(StringBytes(text));
    EXPECT_EQ(r.cause, 0) << n;
    EXPECT_EQ(r.text, text) << n;
    EXPECT_EQ(r.remaining, 0u) << n;
  }
  // A WORD length of 0xFFFE behind the marker is a length, as older writers produced it.
  auto r = ReadStringFrom(Cat({Hex("FF FE FF FF FE FF"), std::vector<uint8_t>(2 * 0xFFFE, 0x41)}));
  EXPECT_EQ(r.cause, 0);
  EXPECT_EQ(r.text.size(), 0xFFFEu);
  // 64-bit length escape with a small value.
  r = ReadStringFrom(Hex("FF FE FF FF FF FF FF FF FF FF 02 00 00 00 00 00 00 00 41 00 42 00"));
  EXPECT_EQ(r.cause, 0);
  EXPECT_EQ(r.text, u"AB");
}

TEST(ArchiveStrings, ReadsSingleByteStringsInTheAnsiCodePage) {
  auto r = ReadStringFrom(Hex("04 61 80 E9 9F"));
  EXPECT_EQ(r.cause, 0);
  EXPECT_EQ(r.text, u"a\u20AC\u00E9\u0178");
  r = ReadStringFrom(Cat({Hex("FF 2C 01"), std::vector<uint8_t>(300, 'z')}));
  EXPECT_EQ(r.text, std::u16string(300, u'z'));
  r = ReadStringFrom(Cat({Hex("FF FF FF 03 00 00 00"), vktest::Ascii("xyz")}));
  EXPECT_EQ(r.text, u"xyz");
  r = ReadStringFrom(Cat({Hex("FF FF FF FF FF FF FF 01 00 00 00 00 00 00 00"), vktest::Ascii("q")}));
  EXPECT_EQ(r.cause, 0);
  EXPECT_EQ(r.text, u"q");
}

TEST(ArchiveStrings, RefusesLengthsThatDoNotFit) {
  // 64-bit lengths with an upper half or beyond 31 bits: generic failure.
  EXPECT_EQ(ReadStringFrom(Hex("FF FF FF FF FF FF FF 00 00 00 00 01 00 00 00")).cause, VK_AR_GENERIC);
  EXPECT_EQ(ReadStringFrom(Hex("FF FE FF FF FF FF FF FF FF FF 00 00 00 80 00 00 00 00")).cause, VK_AR_GENERIC);
  // Long lengths with little data behind them: end of data, nothing allocated.
  auto r = ReadStringFrom(Hex("FF FE FF FF FF FF FE FF FF 7F 41 00"));
  EXPECT_EQ(r.cause, VK_AR_END_OF_FILE);
  EXPECT_TRUE(r.text.empty());
  EXPECT_EQ(ReadStringFrom(Hex("FF FE FF FF FF FF FF FF FF FF FF FF FF 7F 00 00 00 00")).cause, VK_AR_END_OF_FILE);
  EXPECT_EQ(ReadStringFrom(Hex("FF FE FF 03 61 00 62 00 63")).cause, VK_AR_END_OF_FILE);
  EXPECT_EQ(ReadStringFrom(Hex("05 61 62")).cause, VK_AR_END_OF_FILE);
  EXPECT_EQ(ReadStringFrom(Hex("FF FE")).cause, VK_AR_END_OF_FILE);
}

TEST(ArchiveCounts, UseTheWordFormBelow0xFFFFAndTheEscapeAbove) {
  EXPECT_EQ(CountBytes(0), Hex("00 00"));
  EXPECT_EQ(CountBytes(0xFFFE), Hex("FE FF"));
  EXPECT_EQ(CountBytes(0xFFFF), Hex("FF FF FF FF 00 00"));
  EXPECT_EQ(CountBytes(70000), Hex("FF FF 70 11 01 00"));

  auto bytes = Cat({Hex("FF FF 70 11 01 00"), std::vector<uint8_t>(140000, 0)});
  cVkArchive ar{std::span<const uint8_t>(bytes)};
  EXPECT_EQ(ar.ReadCount(2), 70000u);
  EXPECT_EQ(ar.Failure(), 0);
}

TEST(ArchiveCounts, ACountTheDataCannotHoldFailsWithEndOfData) {
  auto bytes = Hex("FF FF 00 00 00 10 00 00");  // 268 million elements, two bytes behind
  cVkArchive ar{std::span<const uint8_t>(bytes)};
  EXPECT_EQ(ar.ReadCount(2), 0u);
  EXPECT_EQ(ar.Failure(), VK_AR_END_OF_FILE);
  // Sticky: later items read as zero and do not change the cause.
  EXPECT_EQ(ar.ReadDword(), 0u);
  EXPECT_EQ(ar.Failure(), VK_AR_END_OF_FILE);
}

TEST(ArchivePrimitives, AreLittleEndianAndCheckTheDirection) {
  std::vector<uint8_t> out;
  {
    cVkArchive ar(&out);
    ar.WriteByte(0x12);
    ar.WriteWord(0x3456);
    ar.WriteDword(0x789ABCDE);
    ar.WriteLong(-2);
    ar.WriteQword(0x0102030405060708ull);
    EXPECT_EQ(ar.ReadByte(), 0);
    EXPECT_EQ(ar.Failure(), VK_AR_WRITE_ONLY);
  }
  EXPECT_EQ(out, Hex("12 56 34 DE BC 9A 78 FE FF FF FF 08 07 06 05 04 03 02 01"));

  cVkArchive in{std::span<const uint8_t>(out)};
  EXPECT_EQ(in.ReadByte(), 0x12);
  EXPECT_EQ(in.ReadWord(), 0x3456);
  EXPECT_EQ(in.ReadDword(), 0x789ABCDEu);
  EXPECT_EQ(in.ReadLong(), -2);
  EXPECT_EQ(in.ReadQword(), 0x0102030405060708ull);
  EXPECT_EQ(in.Failure(), 0);
  uint8_t raw[4];
  EXPECT_EQ(in.ReadBytes(raw, 4), 0u);  // a raw read answers what there was
  EXPECT_EQ(in.Failure(), 0);
  EXPECT_EQ(in.ReadWord(), 0);
  EXPECT_EQ(in.Failure(), VK_AR_END_OF_FILE);
  in.WriteByte(1);
  EXPECT_EQ(in.Failure(), VK_AR_END_OF_FILE) << "the first cause stays";

  cVkArchive loading{std::span<const uint8_t>(out)};
  loading.WriteDword(1);
  EXPECT_EQ(loading.Failure(), VK_AR_READ_ONLY);
}

}  // namespace
