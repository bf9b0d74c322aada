// Byte transport of a socket-pair link to a program of another user. The
// peer is not trusted: a send never blocks on it, and a reader blocked in
// LinkReceive is woken by LinkShutdown (close() alone does not wake it).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vk {

// Sends all of `bytes` at once. ERROR_BUSY (170) when the peer has stopped
// reading (nothing or only part was sent: the link is then unusable),
// ERROR_BROKEN_PIPE (109) when it has gone.
int32_t LinkSend(int fd, const std::vector<uint8_t>& bytes);

// Waits for bytes; 0 with *got 0 at the end of the link (peer gone or
// LinkShutdown), else a Win32 code.
int32_t LinkReceive(int fd, uint8_t* buffer, size_t capacity, size_t* got);

void LinkShutdown(int fd);

}  // namespace vk
