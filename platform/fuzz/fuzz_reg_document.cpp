// Any bytes as a registry file: reading never crashes, and what was read
// is written and read back to the same document.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/registry/reg_document.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  constexpr std::u16string_view kRoot = u"HKEY_LOCAL_MACHINE";
  vk::RegDocument doc;
  if (vk::RegDocument::FromText(std::string_view(reinterpret_cast<const char*>(data), size), kRoot, &doc)) return 0;
  std::string text = doc.ToText(kRoot);
  vk::RegDocument again;
  if (vk::RegDocument::FromText(text, kRoot, &again) || again.ToText(kRoot) != text) abort();
  return 0;
}
