#include "common/registry/registry.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/registry/tests/log_lines.h"
#include "platform/core/error_codes.h"

namespace {

constexpr std::u16string_view kKey = u"SOFTWARE\\Corvalline\\ViewKeeper\\Service\\Settings";

class RegistryWrapper : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/vkcregXXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    setenv("VIEWKEEPER_REGISTRY_DIR", dir_.c_str(), 1);
    ASSERT_EQ(registry_.ConnectRegistry(log_, nullptr, vk::RegRoot::LocalMachine), 0);
  }
  void TearDown() override {
    EXPECT_EQ(registry_.CloseRegistry(log_), 0);
    unsetenv("VIEWKEEPER_REGISTRY_DIR");
    std::filesystem::remove_all(dir_);
  }

  std::string FileText() {
    std::ifstream in(dir_ + "/HKLM.reg");
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

  // Writes a value line by hand, as an administrator would.
  void AppendValueLine(const std::string& line) {
    ASSERT_EQ(registry_.WriteDwordValue(log_, kKey, u"Anchor", 1), 0);
    std::ofstream(dir_ + "/HKLM.reg", std::ios::app) << line << "\n";
  }

  std::string dir_;
  TestLog log_;
  cVkRegistry registry_;
};

TEST_F(RegistryWrapper, StringsAreWrittenWithTheirTerminatorAndReadBack) {
  ASSERT_EQ(registry_.WriteStringValue(log_, kKey, u"Administrators", u"abc"), 0);
  vk::RegKey key;
  ASSERT_EQ(vk::RegistryOpenKey(vk::RegKey(), u"", &key), ERROR_INVALID_HANDLE);
  cVkRegistry reader;
  std::u16string text = u"old";
  ASSERT_EQ(reader.ConnectRegistry(log_, nullptr, vk::RegRoot::LocalMachine), 0);
  ASSERT_EQ(reader.ReadStringValue(log_, kKey, u"administrators", &text), 0);
  EXPECT_EQ(text, u"abc");
  EXPECT_NE(FileText().find("\"Administrators\"=\"abc\"\n"), std::string::npos);
  uint32_t type = 0, size = 0;
  std::vector<uint8_t> data;
  vk::RegKey root;
  ASSERT_EQ(vk::RegistryConnect(u"", vk::RegRoot::LocalMachine, &root), 0);
  ASSERT_EQ(vk::RegistryOpenKey(root, kKey, &key), 0);
  ASSERT_EQ(registry_.QueryRegistryValue(log_, key, u"Administrators", &type, &data, &size), 0);
  EXPECT_EQ(size, 8u);
  EXPECT_EQ(type, vk::REG_SZ);
  ASSERT_EQ(registry_.WriteDwordValue(log_, kKey, u"Port", 48384), 0);
  EXPECT_NE(FileText().find("\"Port\"=dword:0000bd00\n"), std::string::npos);
  EXPECT_TRUE(LoggedLines(log_).empty());
}

TEST_F(RegistryWrapper, QueryGrowsItsBufferToTheReportedSizePlusOne) {
  std::string hex = "\"Big\"=hex:";
  for (int i = 0; i < 1000; ++i) hex += (i ? ",7f" : "7f");
  AppendValueLine(hex);
  std::vector<uint32_t> attempts;
  registry_.SetQueryAttemptObserver([&](uint32_t size) { attempts.push_back(size); });
  vk::RegKey root, key;
  ASSERT_EQ(vk::RegistryConnect(u"", vk::RegRoot::LocalMachine, &root), 0);
  ASSERT_EQ(vk::RegistryOpenKey(root, kKey, &key), 0);
  uint32_t type = 0, size = 0;
  std::vector<uint8_t> data;
  ASSERT_EQ(registry_.QueryRegistryValue(log_, key, u"Big", &type, &data, &size), 0);
  EXPECT_EQ(attempts, (std::vector<uint32_t>{256, 1001}));
  EXPECT_EQ(size, 1000u);
  EXPECT_EQ(data, std::vector<uint8_t>(1000, 0x7f));

  EXPECT_EQ(registry_.QueryRegistryValue(log_, key, u"Nothing", &type, &data, &size), ERROR_FILE_NOT_FOUND);
  EXPECT_TRUE(data.empty());
  EXPECT_EQ(size, 0u);
  EXPECT_TRUE(Logged(log_, u"Error querying the value 'Nothing'. Errorcode 2."));
}

TEST_F(RegistryWrapper, ReadStringValueFollowsTheTypeRules) {
  AppendValueLine("\"Number\"=dword:00000005");
  std::u16string text = u"untouched";
  EXPECT_EQ(registry_.ReadStringValue(log_, kKey, u"Number", &text), 0);
  EXPECT_EQ(text, u"untouched");
  EXPECT_TRUE(Logged(log_,
                     u"An error has occurred while querying the value 'Number' from subkey "
                     u"'SOFTWARE\\Corvalline\\ViewKeeper\\Service\\Settings' The value is not of type string (4). "
                     u"Errorcode 0."));
  AppendValueLine("\"Expand\"=hex(2):25,00,50,00,25,00,00,00");
  EXPECT_EQ(registry_.ReadStringValue(log_, kKey, u"Expand", &text), 0);
  EXPECT_EQ(text, u"%P%");
  // String data without a terminator, or with one in the middle, is read safely.
  AppendValueLine("\"Bare\"=hex(1):41,00,42,00");
  EXPECT_EQ(registry_.ReadStringValue(log_, kKey, u"Bare", &text), 0);
  EXPECT_EQ(text, u"AB");
  AppendValueLine("\"Odd\"=hex(1):41,00,00,00,42,00,43");
  EXPECT_EQ(registry_.ReadStringValue(log_, kKey, u"Odd", &text), 0);
  EXPECT_EQ(text, u"A");
}

TEST_F(RegistryWrapper, FailuresAreLoggedInnermostFirst) {
  std::u16string text;
  EXPECT_EQ(registry_.ReadStringValue(log_, u"SOFTWARE\\Missing", u"X", &text), ERROR_FILE_NOT_FOUND);
  auto lines = LoggedLines(log_);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_TRUE(lines[0].text.starts_with(u"Error opening the registry subkey 'SOFTWARE\\Missing'. Errorcode 2."));
  EXPECT_EQ(lines[1].text, u"An error has occurred while opening the subkey 'SOFTWARE\\Missing'. Errorcode 2.");
  log_.Clear();
  ASSERT_EQ(registry_.WriteDwordValue(log_, kKey, u"A", 1), 0);
  EXPECT_EQ(registry_.ReadStringValue(log_, kKey, u"B", &text), ERROR_FILE_NOT_FOUND);
  lines = LoggedLines(log_);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_TRUE(lines[0].text.starts_with(u"Error querying the value 'B'. Errorcode 2."));
  EXPECT_EQ(lines[1].text,
            u"An error has occurred while querying the value 'B' from subkey "
            u"'SOFTWARE\\Corvalline\\ViewKeeper\\Service\\Settings'. Errorcode 2.");

  cVkRegistry remote;
  std::u16string far = u"\\\\FARAWAY";
  log_.Clear();
  EXPECT_EQ(remote.ConnectRegistry(log_, &far, vk::RegRoot::LocalMachine), ERROR_BAD_NETPATH);
  EXPECT_TRUE(Logged(log_, u"Error connecting to the registry on computer '\\\\FARAWAY'. Errorcode 53."));
  EXPECT_EQ(remote.CloseRegistry(log_), 0);
}

TEST_F(RegistryWrapper, ADamagedFileIsNamedWithItsLineAndKept) {
  ASSERT_EQ(registry_.WriteDwordValue(log_, kKey, u"A", 1), 0);
  std::ofstream(dir_ + "/HKLM.reg", std::ios::app) << "\"B\"=dword:xyz\n";
  std::string before = FileText();
  EXPECT_EQ(registry_.WriteStringValue(log_, kKey, u"C", u"c"), ERROR_REGISTRY_CORRUPT);
  auto lines = LoggedLines(log_);
  ASSERT_FALSE(lines.empty());
  std::u16string expectedStart = u"The registry file is damaged: ";
  EXPECT_TRUE(lines[0].text.starts_with(expectedStart));
  EXPECT_NE(lines[0].text.find(u"HKLM.reg line 13"), std::u16string::npos);
  EXPECT_TRUE(Logged(log_, u"Error creating/opening the subkey"));
  EXPECT_EQ(FileText(), before);
}

}  // namespace
