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

using vktest::Hex;

namespace {

const std::vector<uint8_t> kDefaultSettings = Hex(
    "01000000 01000000 0200 00BD 0200 02BD 01000000 0B000000 02000000 FFFFFFFF E8030000 64000000 "
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
            "cVkServiceSettings\n"
            "  connection: cVkServiceSettingsConnection\n"
            "    updateMode: 2\n"
            "    updatePort: 48384\n"
            "    inputMode: 2\n"
            "    inputPort: 48386\n"
            "  input: cVkServiceSettingsInput\n"
            "    inputFlags: 11\n"
            "  screen: cVkServiceSettingsScreen\n"
            "    fullRefreshInterval: -1\n"
            "    foregroundRefreshInterval: 1000\n"
            "    captureInterval: 100\n"
            "    compressionLevel: 6\n"
            "  tray: cVkServiceSettingsTray\n"
            "    notificationMode: 1\n");
  auto json = Dump(kDefaultSettings, "cVkServiceSettings", true);
  EXPECT_EQ(json.out,
            "{\"class\":\"cVkServiceSettings\","
            "\"connection\":{\"class\":\"cVkServiceSettingsConnection\",\"updateMode\":2,\"updatePort\":48384,"
            "\"inputMode\":2,\"inputPort\":48386},"
            "\"input\":{\"class\":\"cVkServiceSettingsInput\",\"inputFlags\":11},"
            "\"screen\":{\"class\":\"cVkServiceSettingsScreen\",\"fullRefreshInterval\":-1,"
            "\"foregroundRefreshInterval\":1000,\"captureInterval\":100,\"compressionLevel\":6},"
            "\"tray\":{\"class\":\"cVkServiceSettingsTray\",\"notificationMode\":1}}\n");
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
            "{\"class\":\"cVkCollection\",\"elements\":[{\"class\":\"cVkStringData\",\"text\":\"say \\\"hi\\\"\\n\xc3\xa9\"},"
            "null,{\"class\":\"cVkTreeItem\",\"text\":\"R\",\"state\":1,\"image\":2,\"selectedImage\":3,"
            "\"node\":{\"class\":\"cVkNT4Domain\",\"name\":\"D\",\"versionMajor\":0,\"versionMinor\":0,\"type\":0,"
            "\"comment\":\"\"},\"children\":[]}]}\n");
  auto tree = Dump(bytes, "", false);
  EXPECT_NE(tree.out.find("elements: [list]\n    [0] cVkStringData\n      text: \"say \\\"hi\\\"\\n\xc3\xa9\"\n"
                          "    [1] null\n    [2] cVkTreeItem\n"),
            std::string::npos)
      << tree.out;
}

TEST(VkDump, AccessListsAsJson) {
  cVkServiceSecurity security({u"BUILTIN\\Administrators"}, {u"a", u""}, {});
  std::vector<uint8_t> bytes;
  ASSERT_EQ(ObjectToBuffer(&security, bytes), 0);
  auto json = Dump(bytes, "", true);
  EXPECT_EQ(json.out,
            "{\"class\":\"cVkServiceSecurity\",\"administrators\":[\"BUILTIN\\\\Administrators\"],"
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
  EXPECT_EQ(err.str(), "vkdump: cannot read '/nonexistent/Settings.dat': The system cannot find the file "
                       "specified. (code 2)\n");
}

}  // namespace
