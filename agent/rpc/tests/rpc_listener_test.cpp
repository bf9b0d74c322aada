// The listener thread: port selection, publication, status reports, stop,
// and the failures that stop the service.
#include "agent/rpc/tests/rpc_test_support.h"
#include "platform/core/error_codes.h"
#include "platform/systemd/tests/private_bus.h"

namespace {

using vk::testing::RpcListenerFixture;

class RpcListener : public RpcListenerFixture {};

bool StartsWith(const std::string& text, const std::string& prefix) { return text.rfind(prefix, 0) == 0; }

TEST_F(RpcListener, TakesTheNextFreePortPublishesItAndReportsRunning) {
  unsetenv("VIEWKEEPER_SYSTEMD_RELOAD");
  vk::testing::PrivateSystemd systemd(folder_, false);
  ASSERT_TRUE(systemd.Ready());
  vk::rpc::TcpListener other;  // another program holds the first port
  uint16_t base = vk::testing::TestPortBase();
  ASSERT_EQ(other.Listen(base, 1), 0);

  ASSERT_TRUE(StartListener());
  EXPECT_EQ(Port(), base + 1);
  EXPECT_EQ(UnitText(), "[Unit]\nDescription=ViewKeeper Service ((" + std::to_string(base + 1) + ",1114))\n");
  EXPECT_EQ(systemd.Reloads(), 1u);
  EXPECT_EQ(Reports(), (std::vector<std::string>{"start 4000", "start 4000", "start 4000", "start 6000", "running"}));

  auto client = Connect();
  cVkRpcClient rpc(*client);
  EXPECT_EQ(rpc.Bind(), 0);

  EXPECT_EQ(StopListener(), 0);
  auto reports = Reports();
  ASSERT_EQ(reports.size(), 7u);
  EXPECT_EQ(reports[5], "stop 4000");
  EXPECT_EQ(reports[6], "stop 2000");
  // The bound connection was ended, and nobody listens any more.
  cVkRpcCallResult result;
  EXPECT_NE(rpc.GetServiceData(5, &result), 0);
  std::unique_ptr<vk::rpc::TcpStream> late;
  EXPECT_EQ(vk::rpc::ConnectLoopback(base + 1, &late), WSAECONNREFUSED);
}

TEST_F(RpcListener, NoFreePortStopsTheServiceAndPublishesNone) {
  vk::rpc::TcpListener first, second;
  uint16_t base = vk::testing::TestPortBase();
  ASSERT_EQ(first.Listen(base, 1), 0);
  ASSERT_EQ(second.Listen(base + 1, 1), 0);
  auto options = Options();
  options.portAttempts = 2;

  EXPECT_FALSE(StartListener(options));
  EXPECT_EQ(StopListener(), RPC_S_NO_BINDINGS);
  auto reports = Reports();
  EXPECT_EQ(reports.back(), "service stop");
  EXPECT_EQ(std::count(reports.begin(), reports.end(), "running"), 0);
  EXPECT_EQ(UnitText(), "[Unit]\nDescription=ViewKeeper Service ((-1,1114))\n");
  EXPECT_TRUE(vk::testing::HasLineStartingWith(
      serviceLog_, "An error has occurred while initializing the RPC listener. The service stops. Errorcode 1718."));
  ASSERT_FALSE(fileLines_.empty());
  EXPECT_TRUE(StartsWith(fileLines_[0], "Error getting rpc binding handles. Errorcode 1718."));
}

TEST_F(RpcListener, APortThatCannotBePublishedStopsTheService) {
  unsetenv("VIEWKEEPER_SYSTEMD_RELOAD");
  vk::testing::PrivateSystemd systemd(folder_, true);
  ASSERT_TRUE(systemd.Ready());

  EXPECT_FALSE(StartListener());
  EXPECT_EQ(StopListener(), ERROR_ACCESS_DENIED);
  auto reports = Reports();
  EXPECT_EQ(reports, (std::vector<std::string>{"service stop"}));
  std::string port = std::to_string(vk::testing::TestPortBase());
  EXPECT_TRUE(vk::testing::HasLineStartingWith(serviceLog_, "An error has occurred while publishing the RPC port " +
                                                                port +
                                                                " in the service display name. The service "
                                                                "stops. Errorcode 5."));
  ASSERT_FALSE(fileLines_.empty());
  EXPECT_TRUE(StartsWith(fileLines_[0], "An error has occurred while reloading the service manager configuration."));
  // The port is free again for the next start.
  vk::rpc::TcpListener again;
  EXPECT_EQ(again.Listen(vk::testing::TestPortBase(), 1), 0);
}

}  // namespace
