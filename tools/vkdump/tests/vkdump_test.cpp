#include <gtest/gtest.h>

#include <sstream>

#include "common/archive/collection.h"
#include "common/archive/object_buffer.h"
#include "common/archive/string_data.h"
#include "common/archive/tests/test_bytes.h"
#include "common/network/nt4_records.h"
#include "common/network/tree_item.h"
#include "common/security_lists/service_security.h"
#include "tools/vkdump/dump_command.h"

using vktest::Cat;
using vktest::Hex;

namespace {

const std::vector<uint8_t> kDefaultSettings =
    Hex("01000000 01000000 0200 00BD 0200 02BD 01000000 0B000000 02000000 FFFFFFFF E8030000 64000000 "
        "06000000 01000000 01000000");

struct Result {
  int status;
  std::string out;
  std::string err;
};

Result Dump(const std::vector<uint8_t>& bytes, const std::string& bodyClass, bool json) {
  VkRegisterDumpClasses();
  std::ostringstream out, err;
  int status = VkDumpBytes(bytes, "test.dat", bodyClass, json, out, err);
  return {status, out.str(), err.str()};
}

TEST(VkDump, SettingsFileAsTreeAndJson) {
  auto tree = Dump(kDefaultSettings, "cVkServiceSettings", false);
  EXPECT_EQ(tree.status, 0);
  EXPECT_EQ(tree.out,
            "cVkServiceSettings (layout 1)\n"
            "  connection: cVkServiceSettingsConnection (layout 1)\n"
            "    updateMode: 2\n"
            "    updatePort: 48384\n"
            "    inputMode: 2\n"
            "    inputPort: 48386\n"
            "  input: cVkServiceSettingsInput (layout 1)\n"
            "    inputFlags: 11\n"
            "  screen: cVkServiceSettingsScreen (layout 2)\n"
            "    fullRefreshInterval: -1\n"
            "    foregroundRefreshInterval: 1000\n"
            "    captureInterval: 100\n"
            "    compressionLevel: 6\n"
            "  tray: cVkServiceSettingsTray (layout 1)\n"
            "    notificationMode: 1\n");
  auto json = Dump(kDefaultSettings, "cVkServiceSettings", true);
  EXPECT_EQ(
      json.out,
      "{\"class\":\"cVkServiceSettings\",\"layout\":1,"
      "\"connection\":{\"class\":\"cVkServiceSettingsConnection\",\"layout\":1,\"updateMode\":2,\"updatePort\":48384,"
      "\"inputMode\":2,\"inputPort\":48386},"
      "\"input\":{\"class\":\"cVkServiceSettingsInput\",\"layout\":1,\"inputFlags\":11},"
      "\"screen\":{\"class\":\"cVkServiceSettingsScreen\",\"layout\":2,\"fullRefreshInterval\":-1,"
      "\"foregroundRefreshInterval\":1000,\"captureInterval\":100,\"compressionLevel\":6},"
      "\"tray\":{\"class\":\"cVkServiceSettingsTray\",\"layout\":1,\"notificationMode\":1}}\n");
}

TEST(VkDump, RecordsWithListsNullsAndEscapes) {
  cVkCollection list;
  list.Add(new cVkStringData(u"say \"hi\"\n\u00e9"));
  list.Add(nullptr);
  auto item = new cVkTreeItem(u"R", 1, 2, 3, std::make_unique<cVkNT4Domain>(u"D", 0, 0, 0, u""));
  list.Add(item);
  std::vector<uint8_t> bytes;
  ASSERT_EQ(ObjectToBuffer(&list, bytes), 0);
  auto json = Dump(bytes, "", true);
  EXPECT_EQ(json.status, 0);
  EXPECT_EQ(json.out,
            "{\"class\":\"cVkCollection\",\"index\":2,\"layout\":1,\"elements\":[{\"class\":\"cVkStringData\","
            "\"index\":4,\"layout\":1,\"text\":\"say \\\"hi\\\"\\n\xc3\xa9\"},"
            "null,{\"class\":\"cVkTreeItem\",\"index\":6,\"layout\":1,\"text\":\"R\",\"state\":1,\"image\":2,"
            "\"selectedImage\":3,"
            "\"node\":{\"class\":\"cVkNT4Domain\",\"index\":8,\"layout\":1,\"name\":\"D\",\"versionMajor\":0,"
            "\"versionMinor\":0,\"type\":0,"
            "\"comment\":\"\"},\"children\":[]}]}\n");
  auto tree = Dump(bytes, "", false);
  EXPECT_NE(
      tree.out.find("elements: [list]\n    [0] cVkStringData #4 (layout 1)\n      text: \"say \\\"hi\\\"\\n\xc3\xa9\"\n"
                    "    [1] null\n    [2] cVkTreeItem #6 (layout 1)\n"),
      std::string::npos)
      << tree.out;
}

TEST(VkDump, BackReferencesShowTheObjectTheyRepeat) {
  cVkCollection outer;
  auto* text = new cVkStringData(u"x");
  auto* inner = new cVkCollection;
  inner->Add(new cVkStringData(u"y"));
  outer.Add(text);
  outer.Add(inner);
  outer.Add(text);   // destroyed once
  outer.Add(inner);  // the same
  std::vector<uint8_t> bytes;
  ASSERT_EQ(ObjectToBuffer(&outer, bytes), 0);
  auto tree = Dump(bytes, "", false);
  EXPECT_EQ(tree.status, 0);
  EXPECT_EQ(tree.out,
            "cVkCollection #2 (layout 1)\n"
            "  elements: [list]\n"
            "    [0] cVkStringData #4 (layout 1)\n"
            "      text: \"x\"\n"
            "    [1] cVkCollection #5 (layout 1)\n"
            "      elements: [list]\n"
            "        [0] cVkStringData #6 (layout 1)\n"
            "          text: \"y\"\n"
            "    [2] reference to #4 (cVkStringData)\n"
            "    [3] reference to #5 (cVkCollection)\n");
  auto json = Dump(bytes, "", true);
  EXPECT_EQ(json.out,
            "{\"class\":\"cVkCollection\",\"index\":2,\"layout\":1,\"elements\":["
            "{\"class\":\"cVkStringData\",\"index\":4,\"layout\":1,\"text\":\"x\"},"
            "{\"class\":\"cVkCollection\",\"index\":5,\"layout\":1,\"elements\":["
            "{\"class\":\"cVkStringData\",\"index\":6,\"layout\":1,\"text\":\"y\"}]},"
            "{\"reference\":4,\"class\":\"cVkStringData\"},{\"reference\":5,\"class\":\"cVkCollection\"}]}\n");
}

TEST(VkDump, NestedReferencesAreRefusedAsDamaged) {
  auto result = Dump(vktest::NestedReferenceRecord(30), "", false);
  EXPECT_EQ(result.status, 2);
  EXPECT_NE(result.err.find("end of data (cause 3)"), std::string::npos) << result.err;
  EXPECT_TRUE(result.out.empty());
}

TEST(VkDump, UnknownLayoutVersionsAreShownWithTheDefaultsTheyLeave) {
  // A string body of layout 2 is not read further; the reader keeps its
  // default text and the rest of the data follows unread.
  auto bytes = Cat({Hex("FF FF 01 00 0D 00"), vktest::Ascii("cVkStringData"), Hex("02 00 00 00 FF FE FF 01 61 00")});
  auto tree = Dump(bytes, "", false);
  EXPECT_EQ(tree.status, 0);
  EXPECT_EQ(tree.out, "cVkStringData #2 (layout 2)\n  text: \"\"\n");
  EXPECT_EQ(tree.err, "vkdump: note: 6 more bytes follow in 'test.dat'\n");
}

TEST(VkDump, AccessListsAsJson) {
  cVkServiceSecurity security({u"BUILTIN\\Administrators"}, {u"a", u""}, {});
  std::vector<uint8_t> bytes;
  ASSERT_EQ(ObjectToBuffer(&security, bytes), 0);
  auto json = Dump(bytes, "", true);
  EXPECT_EQ(
      json.out,
      "{\"class\":\"cVkServiceSecurity\",\"index\":2,\"layout\":1,\"administrators\":[\"BUILTIN\\\\Administrators\"],"
      "\"operators\":[\"a\",\"\"],\"users\":[]}\n");
}

TEST(VkDump, DamagedDataGivesTheCauseAndStatus2) {
  auto cut = std::vector<uint8_t>(kDefaultSettings.begin(), kDefaultSettings.begin() + 30);
  auto result = Dump(cut, "cVkServiceSettings", false);
  EXPECT_EQ(result.status, 2);
  EXPECT_EQ(result.err, "vkdump: 'test.dat' is damaged: end of data (cause 3) at byte 28\n");
  EXPECT_TRUE(result.out.empty());

  auto unknown = Hex("FFFF 0100 0300 41 42 43");
  result = Dump(unknown, "", true);
  EXPECT_EQ(result.status, 2);
  EXPECT_NE(result.err.find("bad class (cause 6)"), std::string::npos) << result.err;

  result = Dump(kDefaultSettings, "cVkNoSuchClass", false);
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, "vkdump: unknown class 'cVkNoSuchClass'\n");

  auto extra = kDefaultSettings;
  extra.push_back(0);
  result = Dump(extra, "cVkServiceSettings", false);
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.err, "vkdump: note: 1 more bytes follow in 'test.dat'\n");
}

TEST(VkDump, ArgumentsAndUnreadableFiles) {
  std::ostringstream out, err;
  std::vector<std::string> none;
  EXPECT_EQ(VkDumpMain(none, out, err), 1);
  EXPECT_NE(err.str().find("usage: vkdump"), std::string::npos);
  std::vector<std::string> missing{"--body", "cVkServiceSettings", "/nonexistent/Settings.dat"};
  err.str("");
  EXPECT_EQ(VkDumpMain(missing, out, err), 1);
  EXPECT_EQ(err.str(),
            "vkdump: cannot read '/nonexistent/Settings.dat': The system cannot find the file "
            "specified. (code 2)\n");
}

}  // namespace
