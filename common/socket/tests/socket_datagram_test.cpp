// Datagram sockets on loopback: the input channel's receive and send.
#include <gtest/gtest.h>

#include <array>
#include <future>

#include "common/socket/socket.h"
#include "common/testing/log_lines.h"
#include "platform/net/socket_calls.h"

namespace {

constexpr uint32_t kLoopback = 0x0100007F;   // 127.0.0.1
constexpr uint32_t kLoopback2 = 0x0200007F;  // 127.0.0.2
constexpr uint32_t kLoopback3 = 0x0300007F;  // 127.0.0.3: no name, no reverse record

using Packet = std::array<unsigned char, 12>;

Packet MakePacket(unsigned char seed) {
  Packet p;
  for (size_t i = 0; i < p.size(); ++i) p[i] = static_cast<unsigned char>(seed + i);
  return p;
}

// A raw sender bound to one loopback address.
struct RawSender {
  vk::net::SocketHandle handle = 0;
  explicit RawSender(uint32_t address) {
    EXPECT_EQ(vk::net::OpenSocket(vk::net::kDatagram, &handle), 0);
    EXPECT_EQ(vk::net::BindAddress(handle, address, 0), 0);
  }
  ~RawSender() { vk::net::CloseSocket(handle); }
  void Send(const void* bytes, size_t length, uint16_t port) {
    EXPECT_EQ(vk::net::SendDatagram(handle, bytes, length, kLoopback, port), 0);
  }
};

struct Receiver {
  cOrkLog log;
  cVkSocket socket{5};
  uint16_t port = 0;
  Receiver() {
    log.SetMemLogMask(LOG_ALL);
    EXPECT_EQ(socket.Create(log, 2), 0);
    EXPECT_EQ(socket.Bind(log, 0), 0);
    port = socket.LocalPort();
  }
  ~Receiver() { socket.Close(log); }
};

TEST(SocketDatagram, ReceiveFromTakesOneWholeDatagramAndDropsOddOnes) {
  Receiver r;
  RawSender viewer(kLoopback);
  RawSender stranger(kLoopback2);

  // In arrival order: empty, short, long, a stranger's good-sized one, then the viewer's.
  viewer.Send("", 0, r.port);
  viewer.Send("short", 5, r.port);
  Packet longer13[2] = {MakePacket(100), MakePacket(200)};
  viewer.Send(longer13, 13, r.port);
  Packet fromStranger = MakePacket(50);
  stranger.Send(fromStranger.data(), fromStranger.size(), r.port);
  Packet good = MakePacket(1);
  viewer.Send(good.data(), good.size(), r.port);

  Packet got{};
  uint32_t sender = 0;
  EXPECT_EQ(r.socket.ReceiveFrom(got.data(), got.size(), &sender, kLoopback), 0);
  EXPECT_EQ(got, good);
  EXPECT_EQ(sender, kLoopback);
  EXPECT_EQ(r.socket.DroppedDatagrams(), 4u);  // empty, short, long, the stranger's

  // Without a sender filter, a good-sized datagram of any sender is taken, whole.
  viewer.Send("abc", 3, r.port);
  stranger.Send(fromStranger.data(), fromStranger.size(), r.port);
  EXPECT_EQ(r.socket.ReceiveFrom(got.data(), got.size(), &sender), 0);
  EXPECT_EQ(got, fromStranger);
  EXPECT_EQ(sender, kLoopback2);
  EXPECT_TRUE(vk::testing::LogLines(r.log).empty());
}

TEST(SocketDatagram, ShutdownEndsAWaitingReceiveWithMinus19) {
  Receiver r;
  auto waiting = std::async(std::launch::async, [&] {
    Packet got{};
    uint32_t sender = 0;
    return r.socket.ReceiveFrom(got.data(), got.size(), &sender);
  });
  EXPECT_EQ(r.socket.Shutdown(), 0);
  EXPECT_EQ(waiting.get(), VK_PEER_CLOSED);
}

TEST(SocketDatagram, SendToUsesTheAddressAsGivenAndKeepsTheFirstDestination) {
  // The receiver listens on every local address; 127.0.0.3 has no reverse record.
  Receiver r;
  Receiver other;
  cOrkLog log;
  cVkSocket sender(5);
  ASSERT_EQ(sender.Create(log, 2), 0);

  Packet first = MakePacket(10), second = MakePacket(20);
  EXPECT_EQ(sender.SendTo(first.data(), first.size(), kLoopback3, r.port), 0);
  // A later call with another destination still goes to the first one.
  EXPECT_EQ(sender.SendTo(second.data(), second.size(), kLoopback, other.port), 0);

  Packet got{};
  uint32_t from = 0;
  EXPECT_EQ(r.socket.ReceiveFrom(got.data(), got.size(), &from), 0);
  EXPECT_EQ(got, first);
  EXPECT_EQ(r.socket.ReceiveFrom(got.data(), got.size(), &from), 0);
  EXPECT_EQ(got, second);
  // Nothing reached the second address: a shut-down socket answers queued datagrams first.
  EXPECT_EQ(other.socket.Shutdown(), 0);
  EXPECT_EQ(other.socket.ReceiveFrom(got.data(), got.size(), &from), VK_PEER_CLOSED);
  sender.Close(log);
}

}  // namespace
