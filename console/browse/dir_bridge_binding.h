// cVkDirBridge: the console's binding of the directory library, loaded at
// run time from the program's own folder (never through the library search
// path) and released at exit.
#pragma once

#include <cstdint>
#include <shared_mutex>
#include <string>
#include <string_view>

#include "dirbridge/dirbridge.h"
#include "platform/library/shared_library.h"

class cOrkLog;
class cVkCollection;

class cVkDirBridge {
 public:
  // The library's file name in the program folder.
  static constexpr std::u16string_view kFileName = u"libdirbridge.so";

  cVkDirBridge() = default;
  ~cVkDirBridge();
  cVkDirBridge(const cVkDirBridge&) = delete;
  cVkDirBridge& operator=(const cVkDirBridge&) = delete;

  // Loads the library from `programFolder` (ending in "/") and resolves the
  // eight entry points; the first one missing is reported and answered, and
  // the module stays loaded with the entry points found so far.
  int32_t LoadDirBridge(cOrkLog& log, std::u16string_view programFolder);
  int32_t UnloadDirBridge(cOrkLog& log);
  bool IsLoaded() const;

  // -4 without a loaded library (or without the entry points they need).
  int32_t CollectW2KDomains(cOrkLog& log, cVkCollection& collection);
  int32_t CollectW2KComputers(cOrkLog& log, std::u16string_view domainName, cVkCollection& collection);

 private:
  // Reads a result buffer (a collection's body) into `collection` and frees it.
  int32_t TakeBuffer(uint8_t* buffer, uint32_t length, cVkCollection& collection);
  void ClearEntryPoints();

  // Calls share it; loading and unloading take it alone, so the library
  // never goes while a collection runs in it.
  mutable std::shared_mutex lock_;
  vk::SharedLibrary module_;
  std::u16string path_;
  VkFreeBufferFn freeBuffer_ = nullptr;
  VkCollectDomainsFn collectDomains_ = nullptr;
  VkCollectComputersInDomainFn collectComputersInDomain_ = nullptr;
  VkCollectUsersInDomainFn collectUsersInDomain_ = nullptr;
  VkGetObjectDataFn getObjectData_ = nullptr;
  VkGetObjectPropertiesFn getObjectProperties_ = nullptr;
  VkGetLDAPNameFn getLDAPName_ = nullptr;
  VkLDAPSearchQueryFn ldapSearchQuery_ = nullptr;
};
