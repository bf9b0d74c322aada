#include "agent/service/registry_values.h"

#include <vector>

#include "platform/core/error_codes.h"

namespace vk::agent {
namespace {

// Opens (or creates) a key, runs `use` on it and closes it again.
template <class Use>
int32_t WithKey(const vk::RegKey& root, const std::u16string& keyPath, bool create, Use use) {
  vk::RegKey key;
  int32_t code = create ? vk::RegistryCreateKey(root, keyPath, &key) : vk::RegistryOpenKey(root, keyPath, &key);
  if (code != 0) return code;
  code = use(key);
  vk::RegistryCloseKey(&key);
  return code;
}

// UTF-16LE bytes to text: size/2 units, ending at the first terminator.
std::u16string TextOfBytes(const std::vector<uint8_t>& bytes) {
  std::u16string text;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    char16_t c = static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
    if (c == 0) break;
    text.push_back(c);
  }
  return text;
}

std::vector<uint8_t> BytesOfText(const std::u16string& text) {
  std::vector<uint8_t> bytes;
  bytes.reserve((text.size() + 1) * 2);
  for (char16_t c : text) {
    bytes.push_back(static_cast<uint8_t>(c & 0xFF));
    bytes.push_back(static_cast<uint8_t>(c >> 8));
  }
  bytes.push_back(0);
  bytes.push_back(0);
  return bytes;
}

}  // namespace

int32_t ReadStringValue(const vk::RegKey& root, const std::u16string& keyPath, const std::u16string& name,
                        std::u16string* text) {
  return WithKey(root, keyPath, false, [&](const vk::RegKey& key) -> int32_t {
    uint32_t type = 0, size = 0;
    int32_t code = vk::RegistryQueryValue(key, name, &type, nullptr, &size);
    if (code != 0) return code;
    if (type != vk::REG_SZ && type != vk::REG_EXPAND_SZ) return 0;
    std::vector<uint8_t> bytes(size);
    code = vk::RegistryQueryValue(key, name, &type, bytes.data(), &size);
    if (code != 0) return code;
    bytes.resize(size);
    *text = TextOfBytes(bytes);
    return 0;
  });
}

int32_t ReadDwordValue(const vk::RegKey& root, const std::u16string& keyPath, const std::u16string& name,
                       uint32_t* value) {
  return WithKey(root, keyPath, false, [&](const vk::RegKey& key) -> int32_t {
    uint32_t type = 0;
    uint8_t bytes[4] = {};
    uint32_t size = sizeof bytes;
    int32_t code = vk::RegistryQueryValue(key, name, &type, bytes, &size);
    if (code != 0) return code;
    if (type != vk::REG_DWORD || size != sizeof bytes) return 0;
    *value = bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
    return 0;
  });
}

int32_t WriteStringValue(const vk::RegKey& root, const std::u16string& keyPath, const std::u16string& name,
                         const std::u16string& text) {
  return WithKey(root, keyPath, true, [&](const vk::RegKey& key) {
    std::vector<uint8_t> bytes = BytesOfText(text);
    return vk::RegistrySetValue(key, name, vk::REG_SZ, bytes);
  });
}

int32_t WriteDwordValue(const vk::RegKey& root, const std::u16string& keyPath, const std::u16string& name,
                        uint32_t value) {
  return WithKey(root, keyPath, true, [&](const vk::RegKey& key) {
    uint8_t bytes[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                        static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
    return vk::RegistrySetValue(key, name, vk::REG_DWORD, bytes);
  });
}

}  // namespace vk::agent
