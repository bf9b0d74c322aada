// The agent's display name as the Description of its systemd unit.
//
// The name goes into a drop-in file of the unit, so that it survives a
// stop and a reboot as a service's display name does, and systemd is told
// to reload its configuration over D-Bus (org.freedesktop.systemd1.Manager
// .Reload on the system bus, or the bus that DBUS_SYSTEM_BUS_ADDRESS names).
//
// Folder of the drop-in: $VIEWKEEPER_UNIT_DIR when set; else
// /etc/systemd/system/viewkeeper.service.d when systemd runs the agent
// (INVOCATION_ID is set and the parent is process 1); else none: an agent
// started by hand, by a test or by a script publishes nothing. VIEWKEEPER_SYSTEMD_RELOAD=no skips the reload (for a
// service manager that reads the drop-in itself).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vk::systemd {

inline constexpr const char* kDefaultDropInFolder = "/etc/systemd/system/viewkeeper.service.d";
inline constexpr const char* kDropInName = "display-name.conf";

// The folder as above, empty for none.
std::string DropInFolder();

// The drop-in text: "[Unit]\nDescription=<text>\n" with "%" doubled, as
// unit files need it.
std::string DropInText(std::u16string_view description);

// Writes the drop-in atomically into `folder` (created 0755 when missing):
// 0 or the Win32 code.
int32_t WriteUnitDescription(const std::string& folder, std::u16string_view description);

// Asks systemd to reload its unit files: 0 or the Win32 code
// (ERROR_FILE_NOT_FOUND when there is no bus to ask).
int32_t ReloadSystemd();

// Whether the reload is wanted (VIEWKEEPER_SYSTEMD_RELOAD is not "no").
bool ReloadWanted();

}  // namespace vk::systemd
