#include "common/socket/socket.h"

#include <memory>
#include <vector>

#include "log/orklog.h"
#include "platform/core/text.h"

using namespace vk::net;

int32_t StartSockets(cOrkLog& log) {
  int32_t code = StartupSockets();
  if (code != 0) log.LogNetMsg(LOG_ERROR, code, u"Error initialising Winsock. Errorcode %ld.", code);
  return code;
}

int32_t StopSockets(cOrkLog& log) {
  if (CleanupSockets() != 0) log.LogNetMsg(LOG_ERROR, 0, u"Error uninitialising Winsock. Errorcode %ld.", 0);
  return 0;
}

int32_t ResolveAddress(cOrkLog& log, const std::u16string& computerName, uint32_t* address) {
  int32_t code = ResolveIPv4(vk::ToUtf8(computerName), address);
  if (code != 0)
    log.LogNetMsg(LOG_ERROR, code, u"Error resolving TCP/IP address for computer %s. Errorcode %ld.", computerName,
                  code);
  return code;
}

int32_t ResolveAddressText(cOrkLog& log, const std::u16string& computerName, std::u16string* text) {
  uint32_t address = 0;
  int32_t code = ResolveAddress(log, computerName, &address);
  if (code != 0) return code;
  std::string dotted = IPv4ToText(address);
  if (dotted.empty()) {
    log.LogMsg(LOG_ERROR, -1, u"Error converting TCP/IP address for computer %s. Errorcode %ld.", computerName, -1);
    return -1;
  }
  *text = vk::Format(u"%S", dotted);
  return 0;
}

cVkSocket::cVkSocket(int32_t timeoutSeconds) : timeoutSeconds_(timeoutSeconds) {}

cVkSocket::~cVkSocket() = default;

int32_t cVkSocket::Create(cOrkLog& log, int type) {
  SocketHandle handle = 0;
  int32_t code = OpenSocket(type, &handle);
  if (code != 0) {
    log.LogNetMsg(LOG_ERROR, code, u"Error connecting to socket. Errorcode %ld.", code);
    return code;
  }
  handle_ = handle;
  code = SetIntOption(handle_, kSolSocket, kSoReuseAddr, 1);
  if (code != 0) {
    log.LogNetMsg(LOG_ERROR, code, u"Error setting socket option. Errorcode %ld.", code);
    log.LogNetMsg(LOG_ERROR, code,
                  u"An error occurred while setting socket option SO_REUSEADDR for new connection. Errorcode %ld.",
                  code);
  }
  return code;
}

int32_t cVkSocket::Bind(cOrkLog& log, uint16_t port) {
  int32_t code = BindAny(handle_, port);
  if (code != 0)
    log.LogNetMsg(LOG_ERROR, code, u"Error binding socket to port %ld. Errorcode %ld.", static_cast<uint32_t>(port),
                  code);
  return code;
}

int32_t cVkSocket::Listen(cOrkLog& log, int backlog) {
  int32_t code = backlog > 0 ? ListenBacklog(handle_, backlog) : ListenMax(handle_);
  if (code != 0) log.LogNetMsg(LOG_ERROR, code, u"Error listening on socket. Errorcode %ld.", code);
  return code;
}

int32_t cVkSocket::Accept(cOrkLog& log, cVkSocket& newSocket) {
  SocketHandle accepted = 0;
  uint32_t peer = 0;
  int32_t code = AcceptPeer(handle_, &accepted, &peer);
  if (code != 0) {
    log.LogNetMsg(LOG_ERROR, code, u"Error accepting incoming socket. Errorcode %ld.", code);
    newSocket.handle_ = 0;
    return code;
  }
  newSocket.handle_ = accepted;
  newSocket.peerAddress_ = peer;
  return 0;
}

int32_t cVkSocket::Connect(cOrkLog& log, uint32_t address, uint16_t port) {
  int32_t code = ConnectTo(handle_, address, port);
  if (code != 0) log.LogNetMsg(LOG_ERROR, code, u"Error connecting the socket. Errorcode %ld.", code);
  return code;
}

int32_t cVkSocket::Close(cOrkLog& log) {
  if (handle_ == 0) return 0;
  int32_t code = CloseSocket(handle_);
  if (code != 0) {
    log.LogNetMsg(LOG_ERROR, code, u"Error closing socket. Errorcode %ld.", code);
    return code;
  }
  handle_ = 0;
  return 0;
}

int32_t cVkSocket::SetOption(cOrkLog& log, int level, int option, int value) {
  int32_t code = SetIntOption(handle_, level, option, value);
  if (code != 0) log.LogNetMsg(LOG_ERROR, code, u"Error setting socket option. Errorcode %ld.", code);
  return code;
}

int32_t cVkSocket::IsReadable(bool* readable) {
  *readable = false;
  return WaitReadable(handle_, timeoutSeconds_, timeoutMicroseconds_, readable);
}

int32_t cVkSocket::SendAll(const void* bytes, size_t length) {
  const auto* next = static_cast<const unsigned char*>(bytes);
  while (length > 0) {
    size_t sent = 0;
    int32_t code = SendSome(handle_, next, length, &sent);
    if (code != 0) return code;
    next += sent;
    length -= sent;
  }
  return 0;
}

int32_t cVkSocket::ReceiveAll(void* bytes, size_t length) {
  auto* next = static_cast<unsigned char*>(bytes);
  while (length > 0) {
    size_t got = 0;
    int32_t code = RecvSome(handle_, next, length, &got);
    if (code != 0) return code;
    if (got == 0) return VK_PEER_CLOSED;
    next += got;
    length -= got;
  }
  return 0;
}

int32_t cVkSocket::ReceiveSome(void* bytes, size_t length, size_t* received) {
  *received = 0;
  int32_t code = RecvSome(handle_, bytes, length, received);
  if (code != 0) return code;
  return length > 0 && *received == 0 ? VK_PEER_CLOSED : 0;
}

int32_t cVkSocket::WaitAnyReadable(std::span<cVkSocket* const> sockets, int timeoutMs, std::vector<bool>* readable) {
  std::vector<SocketHandle> handles;
  for (const cVkSocket* socket : sockets) handles.push_back(socket->handle_);
  std::unique_ptr<bool[]> ready(new bool[handles.size()]());
  int32_t code = vk::net::WaitAnyReadable(handles.data(), handles.size(), timeoutMs, ready.get());
  readable->assign(ready.get(), ready.get() + handles.size());
  return code;
}

void cVkSocket::Adopt(cVkSocket& other) {
  handle_ = other.handle_;
  peerAddress_ = other.peerAddress_;
  other.handle_ = 0;
  other.peerAddress_ = 0;
}

int32_t cVkSocket::ReceiveFrom(void* bytes, size_t length, uint32_t* senderAddress, uint32_t acceptFrom) {
  // One extra byte shows a datagram that is longer than expected.
  std::vector<unsigned char> buffer(length + 1);
  for (;;) {
    Datagram datagram;
    int32_t code = RecvDatagram(handle_, buffer.data(), buffer.size(), &datagram);
    if (code != 0) return code;
    if (!datagram.hasSender) return VK_PEER_CLOSED;
    if (datagram.datagramLength != length || (acceptFrom != 0 && datagram.senderAddress != acceptFrom)) {
      ++droppedDatagrams_;
      continue;
    }
    std::copy(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(length), static_cast<unsigned char*>(bytes));
    *senderAddress = datagram.senderAddress;
    return 0;
  }
}

int32_t cVkSocket::SendTo(const void* bytes, size_t length, uint32_t address, uint16_t port) {
  if (!destination_) destination_ = Destination{address, port};
  return SendDatagram(handle_, bytes, length, destination_->address, destination_->port);
}

int32_t cVkSocket::Shutdown() {
  if (handle_ == 0) return 0;
  return ShutdownSocket(handle_);
}

uint16_t cVkSocket::LocalPort() const {
  uint16_t port = 0;
  if (handle_ == 0 || vk::net::LocalPort(handle_, &port) != 0) return 0;
  return port;
}
