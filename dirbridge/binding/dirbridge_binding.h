// The callers' side of DirBridge: the library loaded by its full path from
// the program's folder, its entry points, and the calls that read its
// result buffers into collections. Without the library (or one of its entry
// points) the directory calls answer -4.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <string_view>

#include "common/archive/collection.h"
#include "dirbridge/dirbridge.h"
#include "log/orklog.h"
#include "platform/library/shared_library.h"

inline constexpr int32_t VK_DIRBRIDGE_MISSING = -4;

class cVkDirBridge {
 public:
  static constexpr std::u16string_view kFileName = u"libdirbridge.so";

  cVkDirBridge() = default;
  ~cVkDirBridge();
  cVkDirBridge(const cVkDirBridge&) = delete;
  cVkDirBridge& operator=(const cVkDirBridge&) = delete;

  // Loads the library from `folder` (with its trailing "/"; empty: the
  // program's folder) and resolves the entry points. 0 or the error.
  int32_t LoadDirBridge(cOrkLog& log, std::u16string_view folder = {});
  int32_t UnloadDirBridge(cOrkLog& log);
  // True once the library and every entry point are there.
  bool IsLoaded() const;
  const std::u16string& Path() const { return path_; }

  // The directory's domains (cVkW2KDomain).
  int32_t CollectW2KDomains(cOrkLog& log, cVkCollection& collection) const;
  // The computers of a directory domain (cVkW2KComputer).
  int32_t CollectW2KComputers(cOrkLog& log, std::u16string_view domain, cVkCollection& collection) const;
  // The objects directly below `base` on `host` (cVkLDAPData); any non-zero
  // answer, a partial one included, adds nothing.
  int32_t SearchDirectory(cOrkLog& log, std::u16string_view host, std::u16string_view base, cVkCollection& collection,
                          uint32_t port) const;

  // The account of the directory's simple binds for the rest of the run
  // (the library keeps it in memory only); empty texts go back to anonymous
  // binds. Without the library or its entry point: -4.
  int32_t SetCredentials(std::u16string_view user, std::u16string_view password);
  bool HasCredentials() const { return hasCredentials_; }
  // Whether a directory call's answer asks for an account: anonymous access
  // refused (strong authentication required, inappropriate authentication,
  // insufficient access, or Active Directory's operations error for an
  // unbound search) while none is set, or the set account refused.
  bool WantsCredentials(int32_t code) const;

  VkFreeBufferFn FreeBuffer = nullptr;
  VkCollectDomainsFn CollectDomains = nullptr;
  VkCollectComputersInDomainFn CollectComputersInDomain = nullptr;
  VkCollectUsersInDomainFn CollectUsersInDomain = nullptr;
  VkGetObjectDataFn GetObjectData = nullptr;
  VkGetObjectPropertiesFn GetObjectProperties = nullptr;
  VkGetLDAPNameFn GetLDAPName = nullptr;
  VkLDAPSearchQueryFn LDAPSearchQuery = nullptr;
  VkSetDirectoryCredentialsFn SetDirectoryCredentials = nullptr;  // optional

 private:
  int32_t ResolveEntryPoints(cOrkLog& log);
  bool Bound() const;  // IsLoaded under a lock the caller holds
  void ClearEntryPoints();
  // Reads a result buffer into `collection` and frees it.
  int32_t ReadResult(uint8_t* buffer, uint32_t length, cVkCollection& collection) const;

  // Calls share it; loading and unloading take it alone, so that the library
  // never goes away while a collection (perhaps one the user cancelled and
  // that still runs in its worker) is inside it.
  mutable std::shared_mutex lock_;
  vk::SharedLibrary library_;
  std::u16string path_;
  std::atomic<bool> hasCredentials_{false};
};
