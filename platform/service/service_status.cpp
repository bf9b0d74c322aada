#include "platform/service/service_status.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/core/error_codes.h"

namespace vk::service {
namespace {

std::string PendingText(const char* what, const ServiceStatus& status) {
  std::string text = "STATUS=" + std::string(what) + " (checkpoint " + std::to_string(status.checkPoint) +
                     ", wait hint " + std::to_string(status.waitHint) + " ms)\n";
  if (status.waitHint > 0)
    text += "EXTEND_TIMEOUT_USEC=" + std::to_string(static_cast<uint64_t>(status.waitHint) * 1000) + "\n";
  return text;
}

std::string StoppedText(const ServiceStatus& status) {
  if (status.win32ExitCode == 0) return "STATUS=Stopped\n";
  uint32_t code = status.serviceSpecificExitCode != 0 ? status.serviceSpecificExitCode : status.win32ExitCode;
  return "STATUS=Stopped (exit code " + std::to_string(status.win32ExitCode) + ", service code " +
         std::to_string(static_cast<int32_t>(code)) + ")\n";
}

// Fills a unix socket address from $NOTIFY_SOCKET ("@name" is abstract).
bool NotifyAddress(sockaddr_un* address, socklen_t* length) {
  const char* path = std::getenv("NOTIFY_SOCKET");
  if (!path || !*path) return false;
  size_t n = std::strlen(path);
  if (path[0] != '/' && path[0] != '@') return false;
  if (n >= sizeof address->sun_path) return false;
  std::memset(address, 0, sizeof *address);
  address->sun_family = AF_UNIX;
  std::memcpy(address->sun_path, path, n);
  if (path[0] == '@') address->sun_path[0] = '\0';
  *length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + n + (path[0] == '@' ? 0 : 1));
  return true;
}

}  // namespace

std::string NotifyText(const ServiceStatus& status) {
  switch (status.currentState) {
    case SERVICE_START_PENDING:
      return PendingText("Start pending", status);
    case SERVICE_RUNNING:
      return "READY=1\nSTATUS=Running\n";
    case SERVICE_STOP_PENDING:
      return "STOPPING=1\n" + PendingText("Stop pending", status);
    case SERVICE_STOPPED:
      return StoppedText(status);
    default:
      return "STATUS=State " + std::to_string(status.currentState) + "\n";
  }
}

int32_t SendNotification(const std::string& text) {
  sockaddr_un address;
  socklen_t length = 0;
  if (!NotifyAddress(&address, &length)) return ERROR_FILE_NOT_FOUND;
  int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return vk::Win32FromErrno(errno);
  // A manager that does not read its socket must not hold the service up for long.
  timeval timeout{5, 0};
  setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
  ssize_t sent = sendto(fd, text.data(), text.size(), MSG_NOSIGNAL, reinterpret_cast<sockaddr*>(&address), length);
  int32_t code = sent < 0 ? vk::Win32FromErrno(errno) : 0;
  close(fd);
  return code;
}

int32_t ReportStatus(const ServiceStatus& status) {
  std::string text = NotifyText(status);
  const char* path = std::getenv("NOTIFY_SOCKET");
  if (path && *path) return SendNotification(text);
  // Started by hand: one line on standard error.
  for (char& c : text)
    if (c == '\n') c = ' ';
  std::fprintf(stderr, "%s: %s\n", program_invocation_short_name, text.c_str());
  return 0;
}

}  // namespace vk::service
