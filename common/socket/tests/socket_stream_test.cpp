// Stream sockets between real peers on the loopback interface.
#include <gtest/gtest.h>

#include <future>
#include <numeric>
#include <thread>
#include <vector>

#include "common/socket/socket.h"
#include "common/testing/log_lines.h"
#include "platform/core/error_codes.h"

namespace {

constexpr uint32_t kLoopback = 0x0100007F;  // 127.0.0.1 in network order

cOrkLog& NewLog(cOrkLog& log) {
  log.SetMemLogMask(LOG_ALL);
  return log;
}

// A listening socket on an ephemeral loopback port and a connected pair.
struct Connection {
  cOrkLog log;
  cVkSocket listener{5};
  cVkSocket server{5};
  cVkSocket client{5};
  uint16_t port = 0;

  Connection() {
    NewLog(log);
    EXPECT_EQ(listener.Create(log, 1), 0);
    EXPECT_EQ(listener.Bind(log, 0), 0);
    EXPECT_EQ(listener.Listen(log), 0);
    port = listener.LocalPort();
    EXPECT_NE(port, 0);
    EXPECT_EQ(client.Create(log, 1), 0);
    EXPECT_EQ(client.Connect(log, kLoopback, port), 0);
    EXPECT_EQ(listener.Accept(log, server), 0);
  }
  ~Connection() {
    client.Close(log);
    server.Close(log);
    listener.Close(log);
  }
};

TEST(SocketStream, AcceptFillsPeerAndCarriesLargeTransfersBothWays) {
  Connection c;
  EXPECT_TRUE(c.server.HasSocket());
  EXPECT_EQ(c.server.PeerAddress(), kLoopback);
  EXPECT_EQ(c.client.PeerAddress(), 0u);

  // Larger than the socket buffers, so that send and recv return in parts.
  std::vector<unsigned char> sent(8 << 20);
  std::iota(sent.begin(), sent.end(), 0);
  auto sender = std::async(std::launch::async, [&] { return c.client.SendAll(sent.data(), sent.size()); });
  std::vector<unsigned char> received(sent.size());
  EXPECT_EQ(c.server.ReceiveAll(received.data(), received.size()), 0);
  EXPECT_EQ(sender.get(), 0);
  EXPECT_EQ(received, sent);

  const char reply[] = "ok";
  EXPECT_EQ(c.server.SendAll(reply, 2), 0);
  char back[2] = {};
  EXPECT_EQ(c.client.ReceiveAll(back, 2), 0);
  EXPECT_EQ(std::string(back, 2), "ok");
  EXPECT_TRUE(vk::testing::LogLines(c.log).empty());
}

TEST(SocketStream, PeerClosingBeforeTheLastByteAnswersMinus19) {
  Connection c;
  EXPECT_EQ(c.client.SendAll("abc", 3), 0);
  EXPECT_EQ(c.client.Close(c.log), 0);
  EXPECT_FALSE(c.client.HasSocket());
  char buffer[10];
  EXPECT_EQ(c.server.ReceiveAll(buffer, sizeof buffer), VK_PEER_CLOSED);
  EXPECT_TRUE(vk::testing::LogLines(c.log).empty());  // per-packet calls do not log
}

TEST(SocketStream, ReadinessOfIdleSocketDataPendingConnectionAndClosedPeer) {
  Connection c;
  bool readable = true;

  // An object with a zero time-out polls once: an idle socket is not readable.
  cVkSocket other(5);
  ASSERT_EQ(other.Create(c.log, 1), 0);
  ASSERT_EQ(other.Connect(c.log, kLoopback, c.port), 0);
  cVkSocket idle(0);
  ASSERT_EQ(c.listener.Accept(c.log, idle), 0);
  EXPECT_EQ(idle.IsReadable(&readable), 0);
  EXPECT_FALSE(readable);

  // Data makes a socket readable.
  EXPECT_EQ(c.client.SendAll("x", 1), 0);
  EXPECT_EQ(c.server.IsReadable(&readable), 0);
  EXPECT_TRUE(readable);
  char x;
  EXPECT_EQ(c.server.ReceiveAll(&x, 1), 0);

  // A pending connection makes the listener readable.
  cVkSocket pending(5);
  ASSERT_EQ(pending.Create(c.log, 1), 0);
  ASSERT_EQ(pending.Connect(c.log, kLoopback, c.port), 0);
  EXPECT_EQ(c.listener.IsReadable(&readable), 0);
  EXPECT_TRUE(readable);

  // A closed peer makes the other end readable.
  EXPECT_EQ(c.client.Close(c.log), 0);
  EXPECT_EQ(c.server.IsReadable(&readable), 0);
  EXPECT_TRUE(readable);

  EXPECT_EQ(pending.Close(c.log), 0);
  EXPECT_EQ(other.Close(c.log), 0);
  EXPECT_EQ(idle.Close(c.log), 0);
  EXPECT_TRUE(vk::testing::LogLines(c.log).empty());
}

TEST(SocketStream, ShutdownWakesAThreadBlockedInReceive) {
  Connection c;
  auto receiver = std::async(std::launch::async, [&] {
    char buffer[4];
    return c.server.ReceiveAll(buffer, sizeof buffer);
  });
  // Shutting down before the receiver blocks is fine too: it then sees the end at once.
  EXPECT_EQ(c.server.Shutdown(), 0);
  EXPECT_EQ(receiver.get(), VK_PEER_CLOSED);
}

TEST(SocketStream, CloseWithoutSocketCallsNothingAndFailuresLogTheirTexts) {
  cOrkLog log;
  NewLog(log);
  cVkSocket none(5);
  EXPECT_FALSE(none.HasSocket());
  EXPECT_EQ(none.Close(log), 0);

  // The port of a listening socket cannot be bound again.
  cVkSocket first(5), second(5);
  ASSERT_EQ(first.Create(log, 1), 0);
  ASSERT_EQ(first.Bind(log, 0), 0);
  ASSERT_EQ(first.Listen(log), 0);
  uint16_t port = first.LocalPort();
  ASSERT_EQ(second.Create(log, 1), 0);
  EXPECT_EQ(second.Bind(log, port), WSAEADDRINUSE);
  EXPECT_TRUE(vk::testing::HasLineStartingWith(
      log, "Error binding socket to port " + std::to_string(port) + ". Errorcode 10048."));

  // Nobody listens on a port that was just released.
  cVkSocket probe(5), client(5);
  ASSERT_EQ(probe.Create(log, 1), 0);
  ASSERT_EQ(probe.Bind(log, 0), 0);
  uint16_t freePort = probe.LocalPort();
  ASSERT_EQ(probe.Close(log), 0);
  ASSERT_EQ(client.Create(log, 1), 0);
  EXPECT_EQ(client.Connect(log, kLoopback, freePort), WSAECONNREFUSED);
  EXPECT_TRUE(vk::testing::HasLineStartingWith(log, "Error connecting the socket. Errorcode 10061."));

  // Listening and accepting on a datagram socket fail with their texts.
  cVkSocket datagram(5), target(5);
  ASSERT_EQ(datagram.Create(log, 2), 0);
  EXPECT_EQ(datagram.Listen(log), WSAEOPNOTSUPP);
  EXPECT_TRUE(vk::testing::HasLineStartingWith(log, "Error listening on socket. Errorcode 10045."));
  EXPECT_NE(datagram.Accept(log, target), 0);
  EXPECT_FALSE(target.HasSocket());
  EXPECT_TRUE(vk::testing::HasLineStartingWith(log, "Error accepting incoming socket. Errorcode "));

  // An unknown option is refused with the option text.
  EXPECT_EQ(datagram.SetOption(log, 0xFFFF, 0x7777, 1), WSAENOPROTOOPT);
  EXPECT_TRUE(vk::testing::HasLineStartingWith(log, "Error setting socket option. Errorcode 10042."));
  // The options the system uses are accepted.
  EXPECT_EQ(first.SetOption(log, vk::net::kSolSocket, vk::net::kSoKeepAlive, 1), 0);
  EXPECT_EQ(first.SetOption(log, vk::net::kSolSocket, vk::net::kSoRcvTimeo, 1200000), 0);
  EXPECT_EQ(first.SetOption(log, vk::net::kSolSocket, vk::net::kSoSndTimeo, 1200000), 0);
  EXPECT_EQ(first.SetOption(log, vk::net::kSolSocket, vk::net::kSoDontLinger, 1), 0);
  EXPECT_EQ(first.SetOption(log, vk::net::kIpProtoTcp, vk::net::kTcpNoDelay, 1), 0);

  // Closing a handle twice: the second close finds no socket and calls nothing.
  EXPECT_EQ(first.Close(log), 0);
  EXPECT_EQ(first.Close(log), 0);
  second.Close(log);
  client.Close(log);
  datagram.Close(log);
}

}  // namespace
