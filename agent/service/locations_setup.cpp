#include "agent/service/locations_setup.h"

#include "agent/service/registry_values.h"
#include "log/orklog.h"
#include "platform/core/error_codes.h"
#include "platform/paths/paths.h"
#include "platform/registry/registry.h"

namespace {

std::u16string WithSlash(std::u16string path) {
  if (path.empty() || path.back() != u'/') path.push_back(u'/');
  return path;
}

// Reads one Locations value. A missing key or value is not worth a message;
// any other failure is logged without touching what the log already holds.
void ReadLocation(cOrkLog& log, const vk::RegKey& root, const std::u16string& keyPath, const char16_t* name,
                  std::u16string* path) {
  int32_t code = vk::agent::ReadStringValue(root, keyPath, name, path);
  if (code == 0 || code == ERROR_FILE_NOT_FOUND) return;
  log.LogMsg(LOG_ERROR, code, u"An error has occurred while getting the registry key '%s'. Errorcode %ld", keyPath,
             code);
}

}  // namespace

std::u16string ProgramFolderOf(std::u16string programPath) {
  std::erase(programPath, u'"');
  size_t slash = programPath.rfind(u'/');
  if (slash == std::u16string::npos) return {};
  return programPath.substr(0, slash + 1);
}

int32_t InitializeLocations(cVkLocations& locations, cOrkLog& log, const std::u16string& programPath) {
  // The program's folder stands for every location the registry does not
  // give, also when the registry cannot be read at all.
  const std::u16string folder = ProgramFolderOf(programPath);
  locations.SetPaths(WithSlash(folder), WithSlash(folder));
  vk::RegKey root;
  int32_t code = vk::RegistryConnect(u"", vk::RegRoot::LocalMachine, &root);
  if (code != 0) {
    log.LogMsg(LOG_ERROR, code, u"An error has occurred while connecting to the registry. Errorcode %ld", code);
    return code;
  }
  const std::u16string keyPath = std::u16string(kVkServiceKey) + kVkLocationsSubKey;
  bool failed = false;
  {
    std::u16string settings, service;
    ReadLocation(log, root, keyPath, u"SettingsPath", &settings);
    ReadLocation(log, root, keyPath, u"ServicePath", &service);
    if (settings.empty()) settings = folder;
    if (service.empty()) service = folder;
    if (!settings.empty()) {
      int32_t made = vk::paths::CreateFolder(settings);
      if (made != 0 && made != ERROR_ALREADY_EXISTS) {
        log.LogNetMsg(LOG_ERROR, made,
                      u"An error has occurred while creating the sevice configuration storage directory '%s'. "
                      u"Errorcode %ld",
                      settings, made);
        failed = true;
      }
    }
    locations.SetPaths(WithSlash(settings), WithSlash(service));
  }
  code = vk::RegistryCloseKey(&root);
  if (code != 0) {
    log.LogMsg(LOG_ERROR, code, u"An error has occurred while disconnecting from the registry. Errorcode %ld", code);
    return code;
  }
  return failed ? -1 : 0;
}
