// Setting up the agent's locations (cVkLocations) at process start.
//
// settingsPath holds the settings file and the log file, servicePath the
// program files (and the event message file). Both become the program's
// folder unless the registry key
// HKEY_LOCAL_MACHINE\SOFTWARE\Corvalline\ViewKeeper\Service\Locations names
// others in its values "SettingsPath" and "ServicePath"; a missing key or
// value is no error. The settings folder is created when missing. Both paths
// end in "/" afterwards.
#pragma once

#include <cstdint>
#include <string>

#include "common/locations/locations.h"

class cOrkLog;

inline constexpr char16_t kVkServiceKey[] = u"SOFTWARE\\Corvalline\\ViewKeeper\\Service";
inline constexpr char16_t kVkLocationsSubKey[] = u"\\Locations";

// `programPath` is the program file's full path. 0, -1 when the settings
// folder could not be created, or the registry's code when it could not be
// reached; the paths are set in every case.
int32_t InitializeLocations(cVkLocations& locations, cOrkLog& log, const std::u16string& programPath);

// The folder part of a program path: quotes removed, the last component
// dropped ("/opt/viewkeeper/deskagent" gives "/opt/viewkeeper/").
std::u16string ProgramFolderOf(std::u16string programPath);
