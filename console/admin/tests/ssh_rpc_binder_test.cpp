// The configuration interface through a real SSH forward: the RPC client
// over a direct-tcpip channel of a test sshd, to an RPC server on loopback.
#include <gtest/gtest.h>

#include <thread>

#include "common/mfclog/mfc_log.h"
#include "common/settings/register_settings.h"
#include "common/settings/service_settings.h"
#include "console/admin/ssh_rpc_binder.h"
#include "common/rpc/rpc_server.h"
#include "log/orklog.h"
#include "platform/core/text.h"
#include "platform/rpc/tcp_stream.h"
#include "platform/ssh/testing/test_sshd.h"

namespace {

// Answers a get of the settings with a changed copy and refuses sets with 5,
// each with a line in the call's log.
class SettingsHandler : public cVkRpcCallHandler {
 public:
  void Dispatch(uint16_t opnum, int32_t type, std::span<const uint8_t> inData, VkRpcCallOutput* out) override {
    cOrkLog log;
    log.SetMemLogMask(LOG_ALL);
    lastIn.assign(inData.begin(), inData.end());
    if (opnum == 0 && type == 5) {
      cVkServiceSettings settings;
      cVkServiceSettingsScreen screen;
      screen.compressionLevel = 3;
      settings.SetParts(*settings.GetConnection(), *settings.GetInput(), screen, *settings.GetTray());
      ObjectToBuffer(&settings, out->outData);
    } else {
      log.LogMsg(LOG_ERROR, 5, u"Access to the service has been denied. Errorcode %ld.", 5);
      out->result = 5;
    }
    cOrkMfcLog mfc(log);
    ObjectToBuffer(&mfc, out->outLog);
  }
  std::vector<uint8_t> lastIn;
};

TEST(SshRpcBinder, CallsReachTheServerThroughTheForward) {
  if (!vk::testing::EnterPrivateNamespaces({})) GTEST_SKIP() << "no private namespaces here";
  vk::testing::TestSshd sshd;
  ASSERT_TRUE(sshd.Ready());
  VkRegisterSettingsClasses();
  VkRegisterMfcLogClasses();
  int port = vk::testing::FreeLoopbackPort();
  vk::rpc::TcpListener listener;
  ASSERT_EQ(listener.Listen(static_cast<uint16_t>(port), 4), 0);
  SettingsHandler handler;
  VkRpcServeResult served;
  std::thread server([&] {
    std::unique_ptr<vk::rpc::TcpStream> stream;
    if (listener.Accept(&stream) != 0) return;
    VkRpcServerOptions options;
    options.port = std::to_string(port);
    served = VkRpcServeConnection(*stream, handler, options);
  });

  vk::testing::WriteText(sshd.Folder() + "/known_hosts", sshd.KnownHostsLine(sshd.HostKey().publicLine) + "\n");
  vk::ssh::SshTarget target;
  target.host = "127.0.0.1";
  target.port = sshd.Port();
  target.user = "root";
  target.configFile = "none";
  target.knownHostsFile = sshd.Folder() + "/known_hosts";
  target.identityFiles = {sshd.ClientKey().path};
  vk::ssh::SshSession session;
  ASSERT_EQ(session.Connect(target, nullptr), 0) << vk::ToUtf8(session.LastError().text);
  std::unique_ptr<vk::ssh::SshStream> stream;
  ASSERT_EQ(session.OpenForward("127.0.0.1", port, stream), 0);

  cVkSshRpcBinder binder;
  std::unique_ptr<cVkRpcChannel> channel;
  ASSERT_EQ(binder.Bind(std::move(stream), channel), 0);
  ASSERT_EQ(channel->CheckListening(), 0);
  EXPECT_EQ(channel->CheckListening(), 0);

  VkRpcBuffer in, out, outLog;
  int32_t status = -1;
  bool exception = true;
  ASSERT_EQ(channel->Call(0, 5, in, out, outLog, &status, &exception), 0);
  EXPECT_FALSE(exception);
  EXPECT_EQ(status, 0);
  std::unique_ptr<cVkServiceSettings> settings;
  ASSERT_EQ(ObjectFromRpcBufferAs(out, settings), 0);
  EXPECT_EQ(settings->GetScreen()->compressionLevel, 3);
  VkFreeRpcBuffer(out);
  VkFreeRpcBuffer(outLog);

  std::vector<uint8_t> record;
  ASSERT_EQ(ObjectToBuffer(settings.get(), record), 0);
  in.bytes = record.data();
  in.length = static_cast<uint32_t>(record.size());
  ASSERT_EQ(channel->Call(1, 4, in, out, outLog, &status, &exception), 0);
  EXPECT_EQ(status, 5);
  EXPECT_EQ(handler.lastIn, record);
  std::unique_ptr<cOrkMfcLog> log;
  ASSERT_EQ(ObjectFromRpcBufferAs(outLog, log), 0);
  ASSERT_EQ(log->GetSize(), 1u);
  EXPECT_EQ(log->GetAt(0)->code, 5);
  VkFreeRpcBuffer(out);
  VkFreeRpcBuffer(outLog);

  channel.reset();  // closes the forward: the server sees the client go
  server.join();
  EXPECT_EQ(served.end, VkRpcEnd::PeerClosed);
  EXPECT_EQ(served.calls, 2u);
}

}  // namespace
