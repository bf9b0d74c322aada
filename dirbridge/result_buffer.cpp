#include "dirbridge/result_buffer.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

#include "common/archive/archive.h"
#include "common/archive/register_archive.h"
#include "common/network/directory_records.h"
#include "common/network/w2k_records.h"
#include "dirbridge/dirbridge.h"
#include "platform/core/error_codes.h"

namespace vk::dirbridge {

void RegisterRecordClasses() {
  static std::once_flag once;
  std::call_once(once, [] {
    VkRegisterArchiveClasses();
    VkRegisterClasses<cVkLDAPData, cVkStringVariable, cVkStringVariableArray, cVkUserInfo, cVkW2KComputer,
                      cVkW2KDomain>();
  });
}

int32_t ProduceBuffer(cVkCollection& collection, uint8_t** buffer, uint32_t* length) {
  *buffer = nullptr;
  *length = 0;
  std::vector<uint8_t> bytes;
  bytes.reserve(4096);
  cVkArchive archive(&bytes);
  collection.Serialize(archive);
  if (archive.Failed()) return archive.Failure();
  if (bytes.size() > 0xFFFFFFFFu) return ERROR_ARITHMETIC_OVERFLOW;
  void* memory = std::malloc(bytes.size());
  if (memory == nullptr) return ERROR_NOT_ENOUGH_MEMORY;
  std::memcpy(memory, bytes.data(), bytes.size());
  *buffer = static_cast<uint8_t*>(memory);
  *length = static_cast<uint32_t>(bytes.size());
  return 0;
}

char16_t* CopyText(std::u16string_view text) {
  auto* copy = static_cast<char16_t*>(std::malloc((text.size() + 1) * sizeof(char16_t)));
  if (copy == nullptr) return nullptr;
  std::memcpy(copy, text.data(), text.size() * sizeof(char16_t));
  copy[text.size()] = u'\0';
  return copy;
}

}  // namespace vk::dirbridge

extern "C" void FreeBuffer(void* buffer) { std::free(buffer); }
