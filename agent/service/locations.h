// cVkLocations: where the agent keeps its files.
//
// settingsPath holds the settings file and the log file, servicePath the
// program files (and the event message file). Both start empty and become the
// program's folder unless the registry key
// HKEY_LOCAL_MACHINE\SOFTWARE\Corvalline\ViewKeeper\Service\Locations names
// others in its values "SettingsPath" and "ServicePath". Once initialised,
// both end in "/". Every accessor takes the object's lock and hands out copies.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>

class cOrkLog;

inline constexpr char16_t kVkServiceKey[] = u"SOFTWARE\\Corvalline\\ViewKeeper\\Service";
inline constexpr char16_t kVkLocationsSubKey[] = u"\\Locations";

class cVkLocations {
 public:
  cVkLocations() = default;
  cVkLocations(const cVkLocations&) = delete;
  cVkLocations& operator=(const cVkLocations&) = delete;

  // `programPath` is the program file's full path (or its folder).
  int32_t Initialize(cOrkLog& log, const std::u16string& programPath);

  std::u16string GetSettingsFile() const;
  std::u16string GetLogFile() const;
  std::u16string GetServicePath() const;
  std::u16string GetSettingsPath() const;
  std::u16string GetEventMessageFile() const;
  void CopyFrom(const cVkLocations& other);

 private:
  mutable std::mutex lock_;
  std::u16string settingsPath_;
  std::u16string servicePath_;
};

// The folder part of a program path: quotes removed, the last component
// dropped ("/opt/viewkeeper/deskagent" gives "/opt/viewkeeper/").
std::u16string ProgramFolderOf(std::u16string programPath);
