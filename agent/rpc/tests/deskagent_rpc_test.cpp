// deskagent as a process: it publishes its RPC port in the unit's drop-in,
// a client reads the port from there as the console does, an accepted set
// is in Settings.dat at once, and the name survives the stop.
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <regex>

#include "agent/tests/agent_test_support.h"
#include "common/archive/object_buffer.h"
#include "common/archive/register_archive.h"
#include "common/rpc/rpc_client.h"
#include "common/settings/register_settings.h"
#include "common/settings/service_settings.h"
#include "platform/rpc/tcp_stream.h"
#include "platform/testing/child_process.h"

namespace {

using vk::testing::AgentFolder;
using vk::testing::ChildProcess;
using vk::testing::ReadFileText;

// The port of a published display name, 0 when there is none.
uint16_t PublishedPort(const std::string& dropIn) {
  std::smatch match;
  static const std::regex name(R"(Description=ViewKeeper Service \(\((-?\d+),1114\)\)\n)");
  if (!std::regex_search(dropIn, match, name)) return 0;
  int port = std::stoi(match[1].str());
  return port > 0 && port < 65536 ? static_cast<uint16_t>(port) : 0;
}

TEST(DeskAgentRpc, PublishesItsPortAndSavesAcceptedSettingsAtOnce) {
  VkRegisterArchiveClasses();
  VkRegisterSettingsClasses();
  AgentFolder folder;
  folder.WriteLocations();
  std::string unitDir = folder.Root() + "/viewkeeper.service.d";
  ChildProcess agent(DESKAGENT_PATH,
                     {{"VIEWKEEPER_REGISTRY_DIR", folder.Registry()},
                      {"VIEWKEEPER_UNIT_DIR", unitDir},
                      {"VIEWKEEPER_SYSTEMD_RELOAD", "no"},
                      {"VIEWKEEPER_EVENT_LOG", "stderr"},
                      {"NOTIFY_SOCKET", ""}},
                     "");
  ASSERT_TRUE(agent.Started());
  ASSERT_TRUE(agent.ReadStderrUntil("READY=1 STATUS=Running")) << agent.StderrText();

  uint16_t port = PublishedPort(ReadFileText(unitDir + "/display-name.conf"));
  ASSERT_GE(port, 44185);
  ASSERT_LE(port, 44233);
  std::unique_ptr<vk::rpc::TcpStream> stream;
  ASSERT_EQ(vk::rpc::ConnectLoopback(port, &stream), 0);
  cVkRpcClient client(*stream);
  ASSERT_EQ(client.Bind(), 0);

  // The defaults with another update port (48384 is the first 00 BD of the record).
  cVkServiceSettings defaults;
  std::vector<uint8_t> bytes;
  ASSERT_EQ(ObjectToBuffer(&defaults, bytes), 0);
  const uint8_t defaultPort[] = {0x00, 0xBD};
  auto at = std::search(bytes.begin(), bytes.end(), std::begin(defaultPort), std::end(defaultPort));
  ASSERT_NE(at, bytes.end());
  at[0] = 0x34;
  at[1] = 0xC3;  // 49972
  cVkRpcCallResult result;
  ASSERT_EQ(client.SetServiceData(vk::rpc::kTypeSetSettings, bytes, &result), 0);
  ASSERT_EQ(result.status, 0);

  // On disk before the agent stops.
  std::string saved = ReadFileText(folder.Settings() + "Settings.dat");
  ASSERT_GE(saved.size(), 12u);
  EXPECT_EQ(static_cast<uint8_t>(saved[10]), 0x34);
  EXPECT_EQ(static_cast<uint8_t>(saved[11]), 0xC3);
  ASSERT_EQ(client.GetServiceData(vk::rpc::kTypeGetSettings, &result), 0);
  std::unique_ptr<cVkServiceSettings> read;
  ASSERT_EQ(ObjectFromBufferAs(result.outData.data(), result.outData.size(), read), 0);
  EXPECT_EQ(read->GetConnection()->GetUpdatePort(), 49972);

  stream.reset();
  agent.Signal(SIGTERM);
  EXPECT_EQ(agent.Wait(), 0);
  EXPECT_EQ(PublishedPort(ReadFileText(unitDir + "/display-name.conf")), port);
}

}  // namespace
