// The install script puts deskagent, its libraries, the unit and the
// registry's Locations key in place; the installed program runs from there.
#include <gtest/gtest.h>

#include <signal.h>

#include <filesystem>
#include <fstream>

#include "agent/tests/agent_test_support.h"
#include "platform/registry/reg_document.h"
#include "platform/service/tests/notify_socket.h"
#include "platform/testing/child_process.h"

namespace {

using vk::testing::AgentFolder;
using vk::testing::ChildProcess;
using vk::testing::ReadFileText;

TEST(InstallLayout, ScriptInstallsBelowDestdirAndTheInstalledAgentRuns) {
  AgentFolder folder;
  const std::string stage = folder.Root() + "/stage";
  ChildProcess install(SOURCE_DIR "/scripts/install-agent", {{"DESTDIR", stage}}, folder.Root() + "/install.txt",
                       {BINARY_DIR});
  ASSERT_TRUE(install.Started());
  ASSERT_EQ(install.Wait(), 0) << ReadFileText(folder.Root() + "/install.txt");

  namespace fs = std::filesystem;
  EXPECT_TRUE(fs::exists(stage + "/opt/viewkeeper/deskagent"));
  EXPECT_TRUE(fs::exists(stage + "/opt/viewkeeper/liborklog.so"));
  EXPECT_TRUE(fs::exists(stage + "/opt/viewkeeper/deskagent-tray"));
  std::string unit = ReadFileText(stage + "/etc/systemd/system/viewkeeper.service");
  EXPECT_NE(unit.find("\nType=notify\n"), std::string::npos);
  EXPECT_NE(unit.find("\nExecStart=/opt/viewkeeper/deskagent\n"), std::string::npos);
  EXPECT_NE(unit.find("\nTimeoutStopSec=240\n"), std::string::npos);
  // The display follows the active session; a fixed one would pin the agent.
  EXPECT_EQ(unit.find("DISPLAY="), std::string::npos);

  // systemd itself accepts the unit (checked where systemd-analyze exists),
  // with ExecStart pointing at the staged program.
  if (fs::exists("/usr/bin/systemd-analyze")) {
    std::string staged = unit;
    staged.replace(staged.find("/opt/viewkeeper/deskagent"), 25, stage + "/opt/viewkeeper/deskagent");
    std::ofstream(folder.Root() + "/viewkeeper.service") << staged;
    ChildProcess verify("/usr/bin/systemd-analyze", {}, folder.Root() + "/verify.txt",
                        {"verify", folder.Root() + "/viewkeeper.service"});
    ASSERT_TRUE(verify.Started());
    EXPECT_EQ(verify.Wait(), 0);
    EXPECT_EQ(ReadFileText(folder.Root() + "/verify.txt"), "");
  }

  // The seeded registry file is one the key store reads, with the locations.
  vk::RegDocument document;
  auto problem = vk::RegDocument::FromText(ReadFileText(stage + "/var/lib/viewkeeper/registry/HKLM.reg"),
                                           u"HKEY_LOCAL_MACHINE", &document);
  ASSERT_FALSE(problem.has_value()) << problem->line << ": " << problem->reason;
  const vk::RegKeyNode* key = document.FindKey(u"SOFTWARE\\Corvalline\\ViewKeeper\\Service\\Locations");
  ASSERT_NE(key, nullptr);
  const vk::RegValue* settings = key->FindValue(u"SettingsPath");
  ASSERT_NE(settings, nullptr);
  EXPECT_EQ(settings->type, vk::REG_SZ);

  // The installed program finds its libraries beside it and runs.
  folder.WriteLocations();
  vk::testing::NotifySocket notify;
  ASSERT_TRUE(notify.Ok());
  ChildProcess agent(stage + "/opt/viewkeeper/deskagent",
                     {{"VIEWKEEPER_REGISTRY_DIR", folder.Registry()},
                      {"NOTIFY_SOCKET", notify.Path()},
                      {"DISPLAY", ""},
                      {"XAUTHORITY", ""}},
                     folder.Root() + "/agent.txt");
  ASSERT_TRUE(agent.Started());
  std::optional<std::string> report;
  do report = notify.Next();
  while (report && report->rfind("READY=1", 0) != 0);
  ASSERT_TRUE(report) << ReadFileText(folder.Root() + "/agent.txt");
  agent.Signal(SIGTERM);
  EXPECT_EQ(agent.Wait(), 0);
}

}  // namespace
