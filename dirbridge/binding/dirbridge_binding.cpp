#include "dirbridge/binding/dirbridge_binding.h"

#include <algorithm>
#include <span>

#include "common/archive/archive.h"
#include "common/archive/register_archive.h"
#include "common/network/directory_records.h"
#include "common/network/w2k_records.h"
#include "common/protocol/secure_wipe.h"

namespace {

template <class Fn>
bool Resolve(const vk::SharedLibrary& library, const char* name, Fn& entry, int32_t* code) {
  entry = reinterpret_cast<Fn>(library.Symbol(name, code));
  return entry != nullptr;
}

}  // namespace

cVkDirBridge::~cVkDirBridge() {
  ClearEntryPoints();
  library_.Close();
}

int32_t cVkDirBridge::LoadDirBridge(cOrkLog& log, std::u16string_view folder) {
  std::unique_lock exclusive(lock_);
  path_ =
      std::u16string(folder.empty() ? std::u16string_view(vk::ProgramFolder()) : folder) + std::u16string(kFileName);
  if (int32_t code = library_.Open(path_)) {
    log.LogNetMsg(LOG_ERROR, code, u"Unable to load '%s'. Errorcode %ld.", path_, code);
    return code;
  }
  return ResolveEntryPoints(log);
}

int32_t cVkDirBridge::ResolveEntryPoints(cOrkLog& log) {
  int32_t code = 0;
  // In this order; the first one missing ends the resolution.
  if (!Resolve(library_, "CollectDomains", CollectDomains, &code)) {
    log.LogNetMsg(LOG_ERROR, code, u"Unable to find the function: 'CollectDomains' in '%s'. Errorcode %ld.", path_,
                  code);
  } else if (!Resolve(library_, "FreeBuffer", FreeBuffer, &code)) {
    log.LogNetMsg(LOG_ERROR, code, u"Unable to find the function: 'FreeBuffer' in '%s'. Errorcode %ld.", path_, code);
  } else if (!Resolve(library_, "CollectComputersInDomain", CollectComputersInDomain, &code)) {
    log.LogNetMsg(LOG_ERROR, code, u"Unable to find the function: 'CollectComputersInDomain' in '%s'. Errorcode %ld.",
                  path_, code);
  } else if (!Resolve(library_, "CollectUsersInDomain", CollectUsersInDomain, &code)) {
    log.LogNetMsg(LOG_ERROR, code, u"Unable to find the function: 'CollectUsersInDomain' in '%s'. Errorcode %ld.",
                  path_, code);
  } else if (!Resolve(library_, "GetObjectProperties", GetObjectProperties, &code)) {
    log.LogNetMsg(LOG_ERROR, code, u"Unable to find the function: 'GetObjectProperties' in '%s'. Errorcode %ld.", path_,
                  code);
  } else if (!Resolve(library_, "GetObjectData", GetObjectData, &code)) {
    log.LogNetMsg(LOG_ERROR, code, u"Unable to find the function: 'GetObjectData' in '%s'. Errorcode %ld.", path_,
                  code);
  } else if (!Resolve(library_, "GetLDAPName", GetLDAPName, &code)) {
    log.LogNetMsg(LOG_ERROR, code, u"Unable to find the function: 'GetLDAPName' in '%s'. Errorcode %ld.", path_, code);
  } else if (!Resolve(library_, "LDAPSearchQuery", LDAPSearchQuery, &code)) {
    log.LogNetMsg(LOG_ERROR, code, u"Unable to find function: 'LDAPSearchQuery' in '%s'. Errorcode %ld.", path_, code);
  }
  // Optional: a library without it binds anonymously only.
  int32_t ignored = 0;
  if (code == 0) Resolve(library_, "SetDirectoryCredentials", SetDirectoryCredentials, &ignored);
  return code;
}

int32_t cVkDirBridge::UnloadDirBridge(cOrkLog& log) {
  std::unique_lock exclusive(lock_);
  int32_t code = library_.Close();
  if (code != 0) log.LogNetMsg(LOG_ERROR, code, u"Error freeing library '%s'. Errorcode %ld.", path_, code);
  ClearEntryPoints();
  return code;
}

void cVkDirBridge::ClearEntryPoints() {
  FreeBuffer = nullptr;
  CollectDomains = nullptr;
  CollectComputersInDomain = nullptr;
  CollectUsersInDomain = nullptr;
  GetObjectData = nullptr;
  GetObjectProperties = nullptr;
  GetLDAPName = nullptr;
  LDAPSearchQuery = nullptr;
  SetDirectoryCredentials = nullptr;
}

bool cVkDirBridge::IsLoaded() const {
  std::shared_lock shared(lock_);
  return Bound();
}

bool cVkDirBridge::Bound() const { return library_.IsOpen() && LDAPSearchQuery != nullptr; }

int32_t cVkDirBridge::ReadResult(uint8_t* buffer, uint32_t length, cVkCollection& collection) const {
  if (buffer == nullptr) return 0;
  // The records the library answers with.
  VkRegisterArchiveClasses();
  VkRegisterClasses<cVkLDAPData, cVkStringVariable, cVkStringVariableArray, cVkUserInfo, cVkW2KComputer,
                    cVkW2KDomain>();
  cVkArchive archive(std::span<const uint8_t>(buffer, length));
  collection.Serialize(archive);
  FreeBuffer(buffer);
  return archive.Failure();
}

int32_t cVkDirBridge::CollectW2KDomains(cOrkLog& log, cVkCollection& collection) const {
  std::shared_lock shared(lock_);
  if (!Bound()) return VK_DIRBRIDGE_MISSING;
  uint8_t* buffer = nullptr;
  uint32_t length = 0;
  int32_t code = CollectDomains(&log, &buffer, &length);
  if (code != 0) {
    log.LogMsg(LOG_ERROR, code, u"An error has occurred while collecting active directory domains. Errorcode %ld.",
               code);
    if (buffer != nullptr) FreeBuffer(buffer);
    return code;
  }
  return ReadResult(buffer, length, collection);
}

int32_t cVkDirBridge::CollectW2KComputers(cOrkLog& log, std::u16string_view domain, cVkCollection& collection) const {
  std::shared_lock shared(lock_);
  if (!Bound()) return VK_DIRBRIDGE_MISSING;
  uint8_t* buffer = nullptr;
  uint32_t length = 0;
  std::u16string path = u"LDAP://" + std::u16string(domain);
  int32_t code = CollectComputersInDomain(&log, path.c_str(), &buffer, &length);
  if (code != 0) {
    log.LogMsg(LOG_ERROR, code, u"An error occurred while collecting computers in domain '%s'. Errorcode %ld.", domain,
               code);
    if (buffer != nullptr) FreeBuffer(buffer);
    return code;
  }
  return ReadResult(buffer, length, collection);
}

int32_t cVkDirBridge::SearchDirectory(cOrkLog& log, std::u16string_view host, std::u16string_view base,
                                      cVkCollection& collection, uint32_t port) const {
  std::shared_lock shared(lock_);
  if (!Bound()) return VK_DIRBRIDGE_MISSING;
  uint8_t* buffer = nullptr;
  uint32_t length = 0;
  std::u16string hostText(host), baseText(base);
  int32_t code = LDAPSearchQuery(&log, hostText.c_str(), baseText.c_str(), port, &buffer, &length);
  if (code != 0) {
    log.LogMsg(LOG_ERROR, code, u"An error occured while performing a LDAP search query. Errorcode %ld.", code);
    if (buffer != nullptr) FreeBuffer(buffer);
    return code;
  }
  return ReadResult(buffer, length, collection);
}

int32_t cVkDirBridge::SetCredentials(std::u16string_view user, std::u16string_view password) {
  std::shared_lock shared(lock_);
  if (!Bound() || SetDirectoryCredentials == nullptr) return VK_DIRBRIDGE_MISSING;
  const std::u16string userText(user);
  std::u16string passwordText(password);
  const int32_t code = SetDirectoryCredentials(userText.c_str(), passwordText.c_str());
  vk::WipeText(passwordText);
  if (code == 0) hasCredentials_ = !userText.empty();
  return code;
}

bool cVkDirBridge::WantsCredentials(int32_t code) const {
  constexpr int32_t kOperationsError = 1;
  constexpr int32_t kStrongAuthRequired = 8;
  constexpr int32_t kInappropriateAuth = 48;
  constexpr int32_t kInvalidCredentials = 49;
  constexpr int32_t kInsufficientAccess = 50;
  if (SetDirectoryCredentials == nullptr) return false;
  if (code == kInvalidCredentials) return hasCredentials_;
  const bool refused = code == kOperationsError || code == kStrongAuthRequired || code == kInappropriateAuth ||
                       code == kInsufficientAccess;
  return refused && !hasCredentials_;
}
