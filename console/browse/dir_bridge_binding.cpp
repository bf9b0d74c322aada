#include "console/browse/dir_bridge_binding.h"

#include <shared_mutex>
#include <span>

#include "common/archive/archive.h"
#include "common/archive/collection.h"
#include "log/orklog.h"

namespace {

constexpr int32_t kEntryPointMissing = -4;

}  // namespace

cVkDirBridge::~cVkDirBridge() {
  cOrkLog log;
  UnloadDirBridge(log);
}

bool cVkDirBridge::IsLoaded() const {
  std::shared_lock guard(lock_);
  return module_.IsOpen();
}

int32_t cVkDirBridge::LoadDirBridge(cOrkLog& log, std::u16string_view programFolder) {
  std::lock_guard guard(lock_);
  path_ = std::u16string(programFolder) + std::u16string(kFileName);
  int32_t rc = module_.Open(path_);
  if (rc != 0) {
    log.LogNetMsg(LOG_ERROR, static_cast<uint32_t>(rc), u"Unable to load '%s'. Errorcode %ld.", path_, rc);
    return rc;
  }
  struct EntryPoint {
    const char* name;
    void** slot;
    vk::WideFormatString<std::u16string, int32_t> missing;
  };
  const EntryPoint entryPoints[] = {
      {"CollectDomains", reinterpret_cast<void**>(&collectDomains_),
       u"Unable to find the function: 'CollectDomains' in '%s'. Errorcode %ld."},
      {"FreeBuffer", reinterpret_cast<void**>(&freeBuffer_),
       u"Unable to find the function: 'FreeBuffer' in '%s'. Errorcode %ld."},
      {"CollectComputersInDomain", reinterpret_cast<void**>(&collectComputersInDomain_),
       u"Unable to find the function: 'CollectComputersInDomain' in '%s'. Errorcode %ld."},
      {"CollectUsersInDomain", reinterpret_cast<void**>(&collectUsersInDomain_),
       u"Unable to find the function: 'CollectUsersInDomain' in '%s'. Errorcode %ld."},
      {"GetObjectProperties", reinterpret_cast<void**>(&getObjectProperties_),
       u"Unable to find the function: 'GetObjectProperties' in '%s'. Errorcode %ld."},
      {"GetObjectData", reinterpret_cast<void**>(&getObjectData_),
       u"Unable to find the function: 'GetObjectData' in '%s'. Errorcode %ld."},
      {"GetLDAPName", reinterpret_cast<void**>(&getLDAPName_),
       u"Unable to find the function: 'GetLDAPName' in '%s'. Errorcode %ld."},
      {"LDAPSearchQuery", reinterpret_cast<void**>(&ldapSearchQuery_),
       u"Unable to find function: 'LDAPSearchQuery' in '%s'. Errorcode %ld."},
  };
  for (const EntryPoint& entry : entryPoints) {
    *entry.slot = module_.Symbol(entry.name, &rc);
    if (rc == 0) continue;
    log.LogNetMsg(LOG_ERROR, static_cast<uint32_t>(rc), entry.missing, path_, rc);
    return rc;
  }
  return 0;
}

int32_t cVkDirBridge::UnloadDirBridge(cOrkLog& log) {
  std::lock_guard guard(lock_);
  int32_t rc = 0;
  if (module_.IsOpen() && (rc = module_.Close()) != 0)
    log.LogNetMsg(LOG_ERROR, static_cast<uint32_t>(rc), u"Error freeing library '%s'. Errorcode %ld.", path_, rc);
  ClearEntryPoints();
  return rc;
}

void cVkDirBridge::ClearEntryPoints() {
  freeBuffer_ = nullptr;
  collectDomains_ = nullptr;
  collectComputersInDomain_ = nullptr;
  collectUsersInDomain_ = nullptr;
  getObjectData_ = nullptr;
  getObjectProperties_ = nullptr;
  getLDAPName_ = nullptr;
  ldapSearchQuery_ = nullptr;
}

int32_t cVkDirBridge::TakeBuffer(uint8_t* buffer, uint32_t length, cVkCollection& collection) {
  int32_t rc = 0;
  if (buffer != nullptr) {
    cVkArchive archive(std::span<const uint8_t>(buffer, length));
    collection.Serialize(archive);
    rc = archive.Failure();
  }
  if (buffer != nullptr) freeBuffer_(buffer);
  return rc;
}

int32_t cVkDirBridge::CollectW2KDomains(cOrkLog& log, cVkCollection& collection) {
  std::shared_lock guard(lock_);
  if (!module_.IsOpen() || collectDomains_ == nullptr || freeBuffer_ == nullptr) return kEntryPointMissing;
  uint8_t* buffer = nullptr;
  uint32_t length = 0;
  const int32_t rc = collectDomains_(&log, &buffer, &length);
  if (rc != 0) {
    log.LogMsg(LOG_ERROR, rc, u"An error has occurred while collecting active directory domains. Errorcode %ld.", rc);
    if (buffer != nullptr) freeBuffer_(buffer);
    return rc;
  }
  return TakeBuffer(buffer, length, collection);
}

int32_t cVkDirBridge::CollectW2KComputers(cOrkLog& log, std::u16string_view domainName, cVkCollection& collection) {
  std::shared_lock guard(lock_);
  if (!module_.IsOpen() || collectComputersInDomain_ == nullptr || freeBuffer_ == nullptr) return kEntryPointMissing;
  const std::u16string path = u"LDAP://" + std::u16string(domainName);
  uint8_t* buffer = nullptr;
  uint32_t length = 0;
  const int32_t rc = collectComputersInDomain_(&log, path.c_str(), &buffer, &length);
  if (rc != 0) {
    log.LogMsg(LOG_ERROR, rc, u"An error occurred while collecting computers in domain '%s'. Errorcode %ld.",
               domainName, rc);
    if (buffer != nullptr) freeBuffer_(buffer);
    return rc;
  }
  return TakeBuffer(buffer, length, collection);
}
