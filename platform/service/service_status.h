// Service states and status reports, numbered as the service manager of the
// original platform numbers them, reported to systemd.
//
// A process started by systemd with Type=notify finds the notification socket
// in $NOTIFY_SOCKET and tells the manager its state there (the sd_notify
// protocol, spoken directly): start pending becomes STATUS= with the
// checkpoint and EXTEND_TIMEOUT_USEC= from the wait hint, running READY=1,
// stop pending STOPPING=1 (with the same status and extension), stopped a
// final STATUS=. Without $NOTIFY_SOCKET (started by hand) each report is
// written as one line to standard error.
#pragma once

#include <cstdint>
#include <string>

namespace vk::service {

inline constexpr uint32_t SERVICE_WIN32_OWN_PROCESS = 0x10;

inline constexpr uint32_t SERVICE_STOPPED = 1;
inline constexpr uint32_t SERVICE_START_PENDING = 2;
inline constexpr uint32_t SERVICE_STOP_PENDING = 3;
inline constexpr uint32_t SERVICE_RUNNING = 4;

inline constexpr uint32_t SERVICE_ACCEPT_STOP = 1;
inline constexpr uint32_t SERVICE_ACCEPT_SHUTDOWN = 4;

inline constexpr uint32_t SERVICE_CONTROL_STOP = 1;
inline constexpr uint32_t SERVICE_CONTROL_INTERROGATE = 4;
inline constexpr uint32_t SERVICE_CONTROL_SHUTDOWN = 5;

struct ServiceStatus {
  uint32_t serviceType = SERVICE_WIN32_OWN_PROCESS;
  uint32_t currentState = SERVICE_START_PENDING;
  uint32_t controlsAccepted = SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN;
  uint32_t win32ExitCode = 0;
  uint32_t serviceSpecificExitCode = 0;
  uint32_t checkPoint = 0;
  uint32_t waitHint = 0;
};

// The notification text for a status (the lines of one sd_notify datagram).
std::string NotifyText(const ServiceStatus& status);

// Sends the status to the service manager (or to standard error when there
// is none): 0 or a Win32 code.
int32_t ReportStatus(const ServiceStatus& status);

// Sends one raw notification datagram to $NOTIFY_SOCKET: 0, or a Win32 code
// (ERROR_FILE_NOT_FOUND when the variable is not set).
int32_t SendNotification(const std::string& text);

}  // namespace vk::service
