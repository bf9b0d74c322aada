#include "platform/rpc/peer_uid.h"

#include <linux/inet_diag.h>
#include <linux/netlink.h>
#include <linux/sock_diag.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/core/error_codes.h"

namespace vk::rpc {
namespace {

struct DiagRequest {
  nlmsghdr header;
  inet_diag_req_v2 body;
};

// A netlink socket of the sock_diag family, closed when it goes.
class DiagSocket {
 public:
  DiagSocket() : fd_(socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC, NETLINK_SOCK_DIAG)) {}
  ~DiagSocket() {
    if (fd_ >= 0) close(fd_);
  }
  int Fd() const { return fd_; }

 private:
  int fd_;
};

// The peer's socket as the peer sees it: its end is the source, ours the destination.
DiagRequest MakeRequest(const sockaddr_in& ours, const sockaddr_in& peer) {
  DiagRequest request{};
  request.header.nlmsg_len = sizeof request;
  request.header.nlmsg_type = SOCK_DIAG_BY_FAMILY;
  request.header.nlmsg_flags = NLM_F_REQUEST;
  request.header.nlmsg_seq = 1;
  request.body.sdiag_family = AF_INET;
  request.body.sdiag_protocol = IPPROTO_TCP;
  request.body.idiag_states = ~0u;
  request.body.id.idiag_sport = peer.sin_port;
  request.body.id.idiag_dport = ours.sin_port;
  request.body.id.idiag_src[0] = peer.sin_addr.s_addr;
  request.body.id.idiag_dst[0] = ours.sin_addr.s_addr;
  request.body.id.idiag_cookie[0] = INET_DIAG_NOCOOKIE;
  request.body.id.idiag_cookie[1] = INET_DIAG_NOCOOKIE;
  return request;
}

bool SameSocket(const inet_diag_msg& msg, const DiagRequest& request) {
  return msg.id.idiag_sport == request.body.id.idiag_sport && msg.id.idiag_dport == request.body.id.idiag_dport &&
         msg.id.idiag_src[0] == request.body.id.idiag_src[0] && msg.id.idiag_dst[0] == request.body.id.idiag_dst[0];
}

// Reads the answers to the request until the matching socket or the end.
int32_t ReadAnswer(int fd, const DiagRequest& request, uint32_t* uid) {
  alignas(nlmsghdr) uint8_t buffer[8192];
  for (;;) {
    ssize_t n = recv(fd, buffer, sizeof buffer, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return vk::Win32FromErrno(errno);
    size_t left = static_cast<size_t>(n);
    for (auto* msg = reinterpret_cast<nlmsghdr*>(buffer); NLMSG_OK(msg, left); msg = NLMSG_NEXT(msg, left)) {
      if (msg->nlmsg_type == NLMSG_DONE) return ERROR_NOT_FOUND;
      if (msg->nlmsg_type == NLMSG_ERROR) {
        if (msg->nlmsg_len < NLMSG_LENGTH(sizeof(nlmsgerr))) return ERROR_INVALID_DATA;
        int err = -static_cast<const nlmsgerr*>(NLMSG_DATA(msg))->error;
        return err == ENOENT || err == 0 ? ERROR_NOT_FOUND : vk::Win32FromErrno(err);
      }
      if (msg->nlmsg_type != SOCK_DIAG_BY_FAMILY || msg->nlmsg_len < NLMSG_LENGTH(sizeof(inet_diag_msg))) continue;
      const auto* diag = static_cast<const inet_diag_msg*>(NLMSG_DATA(msg));
      if (!SameSocket(*diag, request)) continue;
      *uid = diag->idiag_uid;
      return 0;
    }
    // A request without NLM_F_DUMP is answered by one message.
    return ERROR_NOT_FOUND;
  }
}

}  // namespace

int32_t LookupPeerUid(int connectedFd, uint32_t* uid) {
  sockaddr_in ours{}, peer{};
  socklen_t oursLength = sizeof ours, peerLength = sizeof peer;
  if (getsockname(connectedFd, reinterpret_cast<sockaddr*>(&ours), &oursLength) != 0 ||
      getpeername(connectedFd, reinterpret_cast<sockaddr*>(&peer), &peerLength) != 0)
    return vk::Win32FromErrno(errno);
  if (ours.sin_family != AF_INET || peer.sin_family != AF_INET) return ERROR_NOT_FOUND;

  DiagSocket diag;
  if (diag.Fd() < 0) return vk::Win32FromErrno(errno);
  DiagRequest request = MakeRequest(ours, peer);
  sockaddr_nl kernel{};
  kernel.nl_family = AF_NETLINK;
  if (sendto(diag.Fd(), &request, sizeof request, 0, reinterpret_cast<sockaddr*>(&kernel), sizeof kernel) < 0)
    return vk::Win32FromErrno(errno);
  return ReadAnswer(diag.Fd(), request, uid);
}

int32_t ProbePeerLookup() {
  DiagSocket diag;
  return diag.Fd() < 0 ? vk::Win32FromErrno(errno) : 0;
}

}  // namespace vk::rpc
