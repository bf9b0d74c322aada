// Who is at the other end of a TCP connection on this computer.
//
// The kernel is asked through NETLINK_SOCK_DIAG for the socket whose local
// end is the connection's peer end and whose remote end is ours (the
// 4-tuple seen from the peer, as `ss -e` shows it); the answer carries the
// uid that owns that socket. Through an SSH forward that is the uid of the
// login user's sshd process.
#pragma once

#include <cstdint>

namespace vk::rpc {

// 0 with *uid; ERROR_NOT_FOUND (1168) when no socket of this computer is the
// peer (the peer is elsewhere or already gone); else the platform's code.
int32_t LookupPeerUid(int connectedFd, uint32_t* uid);

// Whether the kernel answers such questions at all: 0 or the platform code.
int32_t ProbePeerLookup();

}  // namespace vk::rpc
