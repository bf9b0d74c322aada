#include "platform/registry/reg_document.h"

#include <gtest/gtest.h>

#include "platform/core/testing/allocation_meter.h"

namespace vk {
namespace {

constexpr std::u16string_view kRoot = u"HKEY_LOCAL_MACHINE";

std::vector<uint8_t> Utf16z(std::u16string_view s) {
  std::vector<uint8_t> b;
  for (char16_t c : s) {
    b.push_back(static_cast<uint8_t>(c));
    b.push_back(static_cast<uint8_t>(c >> 8));
  }
  b.push_back(0);
  b.push_back(0);
  return b;
}

TEST(RegDocumentText, WritesTheExportFormat) {
  RegDocument doc;
  RegKeyNode& key = doc.CreateKey(u"SOFTWARE\\Corvalline\\ViewKeeper\\Service\\Settings");
  key.SetValue(u"Administrators", REG_SZ, Utf16z(u"Administrators,CORP\\bob"));
  key.SetValue(u"Quote \"q\"", REG_SZ, Utf16z(u"C:\\x \"y\""));
  key.SetValue(u"Port", REG_DWORD, {0x00, 0xbd, 0x00, 0x00});
  key.SetValue(u"Blob", REG_BINARY, {0x01, 0xab});
  key.SetValue(u"Path", REG_EXPAND_SZ, Utf16z(u"%A%"));
  key.SetValue(u"", REG_SZ, Utf16z(u"d\u00e9faut"));
  key.SetValue(u"Bare", REG_SZ, {0x41, 0x00});  // no terminator: kept exact as hex(1)
  EXPECT_EQ(doc.ToText(kRoot),
            "Windows Registry Editor Version 5.00\n"
            "\n[HKEY_LOCAL_MACHINE\\SOFTWARE]\n"
            "\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvalline]\n"
            "\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvalline\\ViewKeeper]\n"
            "\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvalline\\ViewKeeper\\Service]\n"
            "\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvalline\\ViewKeeper\\Service\\Settings]\n"
            "\"Administrators\"=\"Administrators,CORP\\\\bob\"\n"
            "\"Quote \\\"q\\\"\"=\"C:\\\\x \\\"y\\\"\"\n"
            "\"Port\"=dword:0000bd00\n"
            "\"Blob\"=hex:01,ab\n"
            "\"Path\"=hex(2):25,00,41,00,25,00,00,00\n"
            "@=\"d\xc3\xa9"
            "faut\"\n"
            "\"Bare\"=hex(1):41,00\n");
}

TEST(RegDocumentText, ReadsBackExactlyWhatItWrote) {
  RegDocument doc;
  RegKeyNode& key = doc.CreateKey(u"A\\B");
  key.SetValue(u"s", REG_SZ, Utf16z(u"x,,y"));
  key.SetValue(u"d", REG_DWORD, {1, 2, 3, 4});
  key.SetValue(u"odd", REG_DWORD, {1, 2});
  key.SetValue(u"multi", 7, Utf16z(u"a\nb"));
  key.SetValue(u"empty", REG_BINARY, {});
  RegDocument back;
  ASSERT_FALSE(RegDocument::FromText(doc.ToText(kRoot), kRoot, &back));
  const RegKeyNode* node = static_cast<const RegDocument&>(back).FindKey(u"a\\b");
  ASSERT_NE(node, nullptr);
  for (const RegValue& v : key.values) {
    const RegValue* r = node->FindValue(v.name);
    ASSERT_NE(r, nullptr) << v.name.size();
    EXPECT_EQ(r->type, v.type);
    EXPECT_EQ(r->data, v.data);
  }
  EXPECT_EQ(back.ToText(kRoot), doc.ToText(kRoot));
}

TEST(RegDocumentText, AcceptsWhatAnEditorOrTheExportToolProduces) {
  // CRLF, comments, short dwords, wrapped hex, names in another case.
  std::string text =
      "Windows Registry Editor Version 5.00\r\n\r\n"
      "; edited by hand\r\n"
      "[hkey_local_machine\\Software\\X]\r\n"
      "\"N\"=dword:1f\r\n"
      "\"H\"=hex(2):41,00,\\\r\n"
      "  00,00\r\n";
  RegDocument doc;
  ASSERT_FALSE(RegDocument::FromText(text, kRoot, &doc));
  const RegKeyNode* node = static_cast<const RegDocument&>(doc).FindKey(u"SOFTWARE\\x\\");
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(node->FindValue(u"n")->data, (std::vector<uint8_t>{0x1f, 0, 0, 0}));
  EXPECT_EQ(node->FindValue(u"H")->type, REG_EXPAND_SZ);
  EXPECT_EQ(node->FindValue(u"H")->data, Utf16z(u"A"));
  // The export tool's own encoding: UTF-16LE with a byte-order mark.
  std::string wide = "\xff\xfe";
  for (char c : std::string("Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\K]\n\"v\"=\"w\"\n")) {
    wide.push_back(c);
    wide.push_back('\0');
  }
  RegDocument fromWide;
  ASSERT_FALSE(RegDocument::FromText(wide, kRoot, &fromWide));
  EXPECT_EQ(static_cast<const RegDocument&>(fromWide).FindKey(u"K")->FindValue(u"v")->data, Utf16z(u"w"));
}

TEST(RegDocumentText, NamesTheLineOfEachFault) {
  struct Case {
    std::string text;
    int line;
  } cases[] = {
      {"REGEDIT4\n", 1},
      {"Windows Registry Editor Version 5.00\n\"v\"=\"x\"\n", 2},
      {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\K]\n", 2},
      {"Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\K\n", 2},
      {"Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\K]\n\"v\"=dword:123456789\n", 3},
      {"Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\K]\n\n\"v\"=hex:1,zz\n", 4},
      {"Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\K]\n\"v=\"x\"\n", 3},
      {"Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\K]\n\"v\"=\"x\n", 3},
      {"Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\K]\n\"v\"=-\n", 3},
      {"Windows Registry Editor Version 5.00\n[-HKEY_LOCAL_MACHINE\\K]\n", 2},
      {"Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\K]\ngarbage\n", 3},
      {"Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINEX]\n", 2},
  };
  for (const Case& c : cases) {
    RegDocument doc;
    doc.CreateKey(u"kept");
    auto error = RegDocument::FromText(c.text, kRoot, &doc);
    ASSERT_TRUE(error) << c.text;
    EXPECT_EQ(error->line, c.line) << c.text;
    EXPECT_FALSE(error->reason.empty());
    EXPECT_NE(static_cast<const RegDocument&>(doc).FindKey(u"kept"), nullptr) << "output touched on error";
  }
}

TEST(RegDocumentKeys, CreatesAncestorsAndIgnoresStraySeparators) {
  RegDocument doc;
  doc.CreateKey(u"\\A\\\\B\\C\\");
  EXPECT_EQ(doc.KeyCount(), 3u);
  const RegDocument& c = doc;
  EXPECT_NE(c.FindKey(u"a"), nullptr);
  EXPECT_EQ(c.FindKey(u"a\\b\\c")->path, u"A\\B\\C");
  EXPECT_EQ(c.FindKey(u"A\\C"), nullptr);
  EXPECT_NE(c.FindKey(u""), nullptr);
}

constexpr std::string_view kFileHeader = "Windows Registry Editor Version 5.00\n";

// "[HKEY_LOCAL_MACHINE\\<depth names of `nameLength` characters>]", the
// first name starting with `first`.
std::string DeepKeyLine(size_t depth, size_t nameLength, const std::string& first = "a") {
  std::string line = "[HKEY_LOCAL_MACHINE\\" + first + std::string(nameLength - first.size(), 'k');
  line.reserve(line.size() + depth * (nameLength + 1) + 2);
  for (size_t i = 1; i < depth; ++i) line += "\\" + std::string(nameLength, 'k');
  return line + "]\n";
}

// Parses under a meter that refuses allocations past `limit`.
std::optional<RegParseError> ParseMetered(const std::string& text, RegDocument* doc, size_t limit) {
  vktest::AllocationMeter meter(limit);
  std::optional<RegParseError> error;
  EXPECT_NO_THROW(error = RegDocument::FromText(text, kRoot, doc));
  return error;
}

TEST(RegDocumentLimits, KeysNestAtMost512LevelsWithNamesOfAtMost255Characters) {
  RegDocument doc;
  std::string deepest = std::string(kFileHeader) + DeepKeyLine(512, 1) + "\"v\"=dword:1\n";
  ASSERT_FALSE(RegDocument::FromText(deepest, kRoot, &doc));
  EXPECT_EQ(doc.KeyCount(), 512u);
  ASSERT_FALSE(RegDocument::FromText(std::string(kFileHeader) + DeepKeyLine(3, 255), kRoot, &doc));

  auto error = RegDocument::FromText(std::string(kFileHeader) + "\n" + DeepKeyLine(513, 1), kRoot, &doc);
  ASSERT_TRUE(error);
  EXPECT_EQ(error->line, 3);
  EXPECT_EQ(error->reason, "the key is nested more than 512 levels deep");
  error = RegDocument::FromText(std::string(kFileHeader) + DeepKeyLine(2, 256), kRoot, &doc);
  ASSERT_TRUE(error);
  EXPECT_EQ(error->line, 2);
  EXPECT_EQ(error->reason, "a key name is longer than 255 characters");
}

TEST(RegDocumentLimits, AKeyOfMillionsOfLevelsIsRefusedWithoutBuildingItsAncestors) {
  std::string text = std::string(kFileHeader) + "[HKEY_LOCAL_MACHINE\\K]\n" + DeepKeyLine(2000000, 1);
  RegDocument doc;
  auto error = ParseMetered(text, &doc, 256u << 20);
  ASSERT_TRUE(error);
  EXPECT_EQ(error->line, 3);
  EXPECT_EQ(error->reason, "the key is nested more than 512 levels deep");
}

TEST(RegDocumentLimits, AncestorsTakeAtMostAFewTimesTheFile) {
  // 200 keys, each 100 levels of 20-character names under a name of its own:
  // the file says 420 000 characters, its ancestors would take 21 million.
  std::string text(kFileHeader);
  for (int i = 0; i < 200; ++i) text += DeepKeyLine(100, 20, std::to_string(i));
  RegDocument doc;
  auto error = ParseMetered(text, &doc, 64u << 20);
  ASSERT_TRUE(error);
  EXPECT_EQ(error->reason, "the key's missing ancestors take more than the file allows");
  EXPECT_GT(error->line, 2);

  // The same keys with every ancestor on a line of its own, as files are
  // written, are read whole.
  RegDocument written;
  ASSERT_FALSE(RegDocument::FromText(std::string(kFileHeader) + DeepKeyLine(30, 20), kRoot, &written));
  std::string again = written.ToText(kRoot);
  RegDocument reread;
  EXPECT_FALSE(RegDocument::FromText(again, kRoot, &reread));
  EXPECT_EQ(reread.KeyCount(), 30u);
  EXPECT_EQ(reread.ToText(kRoot), again);
}

}  // namespace
}  // namespace vk
