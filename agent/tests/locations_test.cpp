// Where the agent keeps its files: registry values, program folder, quoting.
#include <gtest/gtest.h>

#include <filesystem>

#include "agent/service/event_source.h"
#include "agent/service/locations_setup.h"
#include "agent/tests/agent_test_support.h"
#include "common/testing/log_lines.h"
#include "platform/registry/registry.h"

namespace {

using vk::testing::AgentFolder;
using vk::testing::U16;

cOrkLog& AllMessages(cOrkLog& log) {
  log.SetMemLogMask(LOG_ALL);
  return log;
}

TEST(Locations, RegistryValuesNameTheSettingsAndServiceFolders) {
  AgentFolder folder;
  folder.WriteLocations();
  cOrkLog log;
  cVkLocations locations;
  EXPECT_EQ(InitializeLocations(locations, AllMessages(log), U16(folder.Program() + "/deskagent")), 0);
  EXPECT_EQ(locations.GetSettingsFile(), U16(folder.Settings() + "Settings.dat"));
  EXPECT_EQ(locations.GetLogFile(), U16(folder.Settings() + "DeskAgent.log"));
  EXPECT_EQ(locations.GetServicePath(), U16(folder.Service()));
  EXPECT_EQ(locations.GetEventMessageFile(), U16(folder.Service() + "DeskMsg.dll"));
  EXPECT_TRUE(std::filesystem::is_directory(folder.Settings()));  // created
  EXPECT_TRUE(vk::testing::LogLines(log).empty());

  cVkLocations copy;
  copy.CopyFrom(locations);
  EXPECT_EQ(copy.GetSettingsFile(), locations.GetSettingsFile());
  EXPECT_EQ(copy.GetServicePath(), locations.GetServicePath());
}

TEST(Locations, WithoutKeyBothFoldersAreTheProgramFolderAndNothingIsLogged) {
  AgentFolder folder;
  cOrkLog log;
  AllMessages(log).LogMsg(LOG_ERROR, 7, u"An earlier failure of this activity.");
  cVkLocations locations;
  // Any program name, quoted or not, gives its folder.
  EXPECT_EQ(InitializeLocations(locations, log, U16("\"" + folder.Program() + "/deskagent\"")), 0);
  EXPECT_EQ(locations.GetSettingsFile(), U16(folder.Program() + "/Settings.dat"));
  EXPECT_EQ(locations.GetServicePath(), U16(folder.Program() + "/"));
  // The missing key left no message, and the earlier one is still there.
  auto lines = vk::testing::LogLines(log);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].code, 7);

  EXPECT_EQ(ProgramFolderOf(u"/opt/viewkeeper/DeskAgent.exe"), u"/opt/viewkeeper/");
  EXPECT_EQ(ProgramFolderOf(u"\"/opt/view keeper/deskagent\""), u"/opt/view keeper/");
  EXPECT_EQ(ProgramFolderOf(u"deskagent"), u"");
}

TEST(Locations, FailuresKeepEarlierMessagesAndFallBackToTheProgramFolder) {
  AgentFolder folder;
  // A settings folder below a plain file cannot be created.
  std::ofstream(folder.Root() + "/plainfile") << "x";
  folder.WriteRegistry(
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvalline\\ViewKeeper\\Service\\Locations]\r\n"
      "\"SettingsPath\"=\"" +
      folder.Root() + "/plainfile/sub\"\r\n\r\n");
  cOrkLog log;
  AllMessages(log).LogMsg(LOG_ERROR, 7, u"An earlier failure of this activity.");
  cVkLocations locations;
  EXPECT_EQ(InitializeLocations(locations, log, U16(folder.Program() + "/deskagent")), -1);
  EXPECT_EQ(locations.GetSettingsFile(), U16(folder.Root() + "/plainfile/sub/Settings.dat"));
  EXPECT_EQ(locations.GetServicePath(), U16(folder.Program() + "/"));
  auto lines = vk::testing::LogLines(log);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].code, 7);
  EXPECT_EQ(lines[1].text.rfind("An error has occurred while creating the sevice configuration storage directory '" +
                                    folder.Root() + "/plainfile/sub'. Errorcode 3",
                                0),
            0u)
      << lines[1].text;

  // A damaged registry file: each read is logged, the program folder is
  // used, and the call itself succeeds (only a missing folder fails it).
  folder.WriteRegistry("this is not a registry file\r\n");
  cOrkLog second;
  AllMessages(second).LogMsg(LOG_ERROR, 7, u"An earlier failure of this activity.");
  cVkLocations fallback;
  EXPECT_EQ(InitializeLocations(fallback, second, U16(folder.Program() + "/deskagent")), 0);
  EXPECT_EQ(fallback.GetSettingsFile(), U16(folder.Program() + "/Settings.dat"));
  lines = vk::testing::LogLines(second);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].code, 7);
  EXPECT_EQ(lines[1].text,
            "An error has occurred while getting the registry key "
            "'SOFTWARE\\Corvalline\\ViewKeeper\\Service\\Locations'. Errorcode 1015");
  EXPECT_EQ(lines[2].text, lines[1].text);
}

TEST(EventSource, RegistrationWritesTheMessageFileAndTypes) {
  AgentFolder folder;
  cOrkLog log;
  EXPECT_EQ(vk::agent::RegisterEventSource(AllMessages(log), u"/opt/viewkeeper/DeskMsg.dll"), 0);
  EXPECT_TRUE(vk::testing::LogLines(log).empty());

  vk::RegKey root, key;
  ASSERT_EQ(vk::RegistryConnect(u"", vk::RegRoot::LocalMachine, &root), 0);
  ASSERT_EQ(vk::RegistryOpenKey(root, u"SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\ViewKeeper", &key),
            0);
  uint8_t data[256];
  uint32_t type = 0, size = sizeof data;
  ASSERT_EQ(vk::RegistryQueryValue(key, u"EventMessageFile", &type, data, &size), 0);
  EXPECT_EQ(type, vk::REG_SZ);
  std::u16string expected = u"/opt/viewkeeper/DeskMsg.dll";
  ASSERT_EQ(size, (expected.size() + 1) * 2);
  EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(data), expected.size()), expected);
  size = sizeof data;
  ASSERT_EQ(vk::RegistryQueryValue(key, u"TypesSupported", &type, data, &size), 0);
  EXPECT_EQ(type, vk::REG_DWORD);
  ASSERT_EQ(size, 4u);
  EXPECT_EQ(data[0] | data[1] << 8 | data[2] << 16 | data[3] << 24, 7);
  vk::RegistryCloseKey(&key);
  vk::RegistryCloseKey(&root);

  // A registry that cannot be written: the setting text names the key.
  folder.WriteRegistry("damaged\r\n");
  cOrkLog failing;
  EXPECT_NE(vk::agent::RegisterEventSource(AllMessages(failing), u"/x/DeskMsg.dll"), 0);
  EXPECT_TRUE(vk::testing::HasLineStartingWith(
      failing,
      "An error has occurred while setting the registry key "
      "'SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\ViewKeeper'. Errorcode "));
}

}  // namespace
