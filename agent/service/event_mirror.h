// Event-log entries on standard error as well.
//
// When the agent runs by hand (no $NOTIFY_SOCKET) or VIEWKEEPER_EVENT_LOG is
// "stderr", every entry of the service log also goes to standard error as
// "event <id> <type>: <text>", so that a developer or a test sees the start
// and stop announcements and critical errors without reading syslog.
#pragma once

namespace vk::agent {

void InstallEventMirror();

}  // namespace vk::agent
