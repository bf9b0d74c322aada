// DirBridge: directory queries for the console and the network object picker.
//
// Loaded at run time (dlopen of libdirbridge.so); the Vk...Fn types are those
// of the entry points. Every export takes the caller's log first and writes
// its messages there. Result buffers hold the body of a collection of
// network records (layout version, count, object records); they and the
// text of GetLDAPName are released with FreeBuffer.
#pragma once

#include <cstdint>

class cOrkLog;
namespace vk {
class ManualResetEvent;
}

extern "C" {

void FreeBuffer(void* buffer);
int32_t CollectDomains(cOrkLog* log, uint8_t** buffer, uint32_t* length);
int32_t CollectComputersInDomain(cOrkLog* log, const char16_t* path, uint8_t** buffer, uint32_t* length);
// `event` (may be null): while it is signalled, further pages of a large
// answer are asked for.
int32_t CollectUsersInDomain(cOrkLog* log, const char16_t* domain, vk::ManualResetEvent* event, uint8_t** buffer,
                             uint32_t* length);
int32_t GetLDAPName(cOrkLog* log, const char16_t* server, const char16_t* domain, const char16_t* name,
                    char16_t** text);
int32_t GetObjectData(cOrkLog* log, const char16_t* path, const uint8_t* input, uint32_t inputLength, uint8_t** buffer,
                      uint32_t* length);
int32_t GetObjectProperties(cOrkLog* log, const char16_t* path, uint8_t** buffer, uint32_t* length);
int32_t LDAPSearchQuery(cOrkLog* log, const char16_t* host, const char16_t* base, uint32_t port, uint8_t** buffer,
                        uint32_t* length);
// The account for simple binds of this process (a DN, or user@domain for
// Active Directory); null or empty texts return to anonymous binds. The
// password is kept in memory only and wiped when replaced.
int32_t SetDirectoryCredentials(const char16_t* user, const char16_t* password);

}  // extern "C"

using VkFreeBufferFn = void (*)(void*);
using VkCollectDomainsFn = int32_t (*)(cOrkLog*, uint8_t**, uint32_t*);
using VkCollectComputersInDomainFn = int32_t (*)(cOrkLog*, const char16_t*, uint8_t**, uint32_t*);
using VkCollectUsersInDomainFn = int32_t (*)(cOrkLog*, const char16_t*, vk::ManualResetEvent*, uint8_t**, uint32_t*);
using VkGetLDAPNameFn = int32_t (*)(cOrkLog*, const char16_t*, const char16_t*, const char16_t*, char16_t**);
using VkGetObjectDataFn = int32_t (*)(cOrkLog*, const char16_t*, const uint8_t*, uint32_t, uint8_t**, uint32_t*);
using VkGetObjectPropertiesFn = int32_t (*)(cOrkLog*, const char16_t*, uint8_t**, uint32_t*);
using VkLDAPSearchQueryFn = int32_t (*)(cOrkLog*, const char16_t*, const char16_t*, uint32_t, uint8_t**, uint32_t*);
using VkSetDirectoryCredentialsFn = int32_t (*)(const char16_t*, const char16_t*);
