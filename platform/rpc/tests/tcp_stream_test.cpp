// The loopback listener, its streams and the peer-uid lookup, with real
// sockets; a client of another uid connects from a child process.
#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

#include "platform/core/error_codes.h"
#include "platform/rpc/peer_uid.h"
#include "platform/rpc/tcp_stream.h"

namespace {

using namespace vk::rpc;

// Listens on the first free port from a base that differs between processes.
uint16_t ListenOnFreePort(TcpListener& listener) {
  uint16_t base = static_cast<uint16_t>(30000 + getpid() % 20000);
  for (uint16_t port = base; port < base + 200; ++port)
    if (listener.Listen(port, 10) == 0) return port;
  return 0;
}

// Connects as `uid` from a child (plain system calls only after fork) and
// holds the connection until the parent closes its end; answers the pid.
pid_t ConnectAs(uint32_t uid, uint16_t port) {
  pid_t pid = fork();
  if (pid != 0) return pid;
  if (setuid(uid) != 0) _exit(2);
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_port = htons(port);
  sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) _exit(3);
  char byte;
  while (read(fd, &byte, 1) > 0) {
  }
  _exit(0);
}

int ExitCodeOf(pid_t pid) {
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(RpcTcp, ListenerTakesOnlyAFreePortAndWakes) {
  TcpListener first, second;
  uint16_t port = ListenOnFreePort(first);
  ASSERT_NE(port, 0);
  EXPECT_EQ(first.Port(), port);
  EXPECT_EQ(second.Listen(port, 10), RPC_S_DUPLICATE_ENDPOINT);
  EXPECT_EQ(second.Listen(0, 10), RPC_S_CANT_CREATE_ENDPOINT);

  std::unique_ptr<TcpStream> accepted;
  std::thread waker([&] { first.Wake(); });
  EXPECT_EQ(first.Accept(&accepted), ERROR_OPERATION_ABORTED);
  waker.join();
  first.Close();
  std::unique_ptr<TcpStream> client;
  EXPECT_EQ(ConnectLoopback(port, &client), WSAECONNREFUSED);
}

TEST(RpcTcp, StreamsCarryBytesAndTimeOutASilentPeer) {
  TcpListener listener;
  uint16_t port = ListenOnFreePort(listener);
  ASSERT_NE(port, 0);
  std::unique_ptr<TcpStream> client, server;
  ASSERT_EQ(ConnectLoopback(port, &client), 0);
  ASSERT_EQ(listener.Accept(&server), 0);

  const uint8_t hello[] = {1, 2, 3};
  ASSERT_EQ(client->Send(hello), 0);
  uint8_t buffer[8];
  size_t received = 0;
  ASSERT_EQ(server->Receive(buffer, &received), 0);
  EXPECT_EQ(std::vector<uint8_t>(buffer, buffer + received), std::vector<uint8_t>(hello, hello + 3));

  server->SetMessageTimeout(std::chrono::milliseconds(100));
  server->StartMessage();
  EXPECT_EQ(server->Receive(buffer, &received), WSAETIMEDOUT);

  client.reset();
  server->SetMessageTimeout(std::chrono::milliseconds(0));
  EXPECT_EQ(server->Receive(buffer, &received), kVkRpcPeerClosed);
}

TEST(RpcPeerUid, TheKernelNamesTheUidOfTheConnectingSocket) {
  ASSERT_EQ(ProbePeerLookup(), 0);
  TcpListener listener;
  uint16_t port = ListenOnFreePort(listener);
  ASSERT_NE(port, 0);

  std::unique_ptr<TcpStream> client, server;
  ASSERT_EQ(ConnectLoopback(port, &client), 0);
  ASSERT_EQ(listener.Accept(&server), 0);
  uint32_t uid = 12345;
  ASSERT_EQ(LookupPeerUid(server->Descriptor(), &uid), 0);
  EXPECT_EQ(uid, geteuid());

  if (geteuid() != 0) GTEST_SKIP() << "connecting as another uid needs root";
  pid_t child = ConnectAs(65534, port);
  std::unique_ptr<TcpStream> other;
  ASSERT_EQ(listener.Accept(&other), 0);
  ASSERT_EQ(LookupPeerUid(other->Descriptor(), &uid), 0);
  EXPECT_EQ(uid, 65534u);
  other.reset();
  EXPECT_EQ(ExitCodeOf(child), 0);

  // A socket that is no TCP connection has no peer to ask about.
  int fds[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
  EXPECT_NE(LookupPeerUid(fds[0], &uid), 0);
  close(fds[0]);
  close(fds[1]);
}

}  // namespace
