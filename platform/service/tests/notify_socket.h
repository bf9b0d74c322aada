// Test support: a unix datagram socket that stands in for systemd's
// notification socket, bound in a fresh temporary folder.
#pragma once

#include <poll.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <optional>
#include <string>

namespace vk::testing {

class NotifySocket {
 public:
  NotifySocket() {
    char folder[] = "/tmp/vk-notify-XXXXXX";
    if (!mkdtemp(folder)) return;
    folder_ = folder;
    path_ = folder_ + "/notify";
    fd_ = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path_.c_str(), sizeof address.sun_path - 1);
    if (bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
      close(fd_);
      fd_ = -1;
    }
  }
  ~NotifySocket() {
    if (fd_ >= 0) close(fd_);
    if (!path_.empty()) unlink(path_.c_str());
    if (!folder_.empty()) rmdir(folder_.c_str());
  }
  NotifySocket(const NotifySocket&) = delete;
  NotifySocket& operator=(const NotifySocket&) = delete;

  bool Ok() const { return fd_ >= 0; }
  const std::string& Path() const { return path_; }

  // The next notification, or nothing when none arrives before the deadline.
  std::optional<std::string> Next(std::chrono::milliseconds deadline = std::chrono::seconds(30)) {
    pollfd p{fd_, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(deadline.count())) <= 0) return std::nullopt;
    char buffer[4096];
    ssize_t n = recv(fd_, buffer, sizeof buffer, 0);
    if (n < 0) return std::nullopt;
    return std::string(buffer, static_cast<size_t>(n));
  }

 private:
  std::string folder_;
  std::string path_;
  int fd_ = -1;
};

}  // namespace vk::testing
