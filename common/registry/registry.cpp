#include "common/registry/registry.h"

#include "platform/core/error_codes.h"

namespace {

constexpr uint32_t kFirstQuerySize = 256;

std::vector<uint8_t> StringBytes(std::u16string_view text) {
  std::vector<uint8_t> bytes;
  bytes.reserve(text.size() * 2 + 2);
  for (char16_t c : text) {
    bytes.push_back(static_cast<uint8_t>(c));
    bytes.push_back(static_cast<uint8_t>(c >> 8));
  }
  bytes.push_back(0);
  bytes.push_back(0);
  return bytes;
}

// The text of string data: size/2 units, up to the first terminator.
std::u16string StringFromBytes(const std::vector<uint8_t>& data, uint32_t size) {
  std::u16string text;
  size_t units = std::min<size_t>(size, data.size()) / 2;
  for (size_t i = 0; i < units; ++i) {
    char16_t c = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
    if (c == 0) break;
    text.push_back(c);
  }
  return text;
}

}  // namespace

void VkLogRegistryProblem(cOrkLog& log, int32_t code) {
  if (code != ERROR_REGISTRY_CORRUPT) return;
  std::u16string problem = vk::RegistryLastProblem();
  log.LogMsg(LOG_ERROR, code, u"The registry file is damaged: %s. Errorcode %ld.", problem, code);
}

int32_t cVkRegistry::ConnectRegistry(cOrkLog& log, const std::u16string* computerName, vk::RegRoot root) {
  std::u16string_view computer = computerName ? std::u16string_view(*computerName) : std::u16string_view();
  int32_t code = vk::RegistryConnect(computer, root, &rootKey);
  if (code) {
    log.LogNetMsg(LOG_ERROR, code, u"Error connecting to the registry on computer '%s'. Errorcode %ld.", computer,
                  code);
  }
  return code;
}

int32_t cVkRegistry::CloseRegistry(cOrkLog& log) {
  if (!rootKey.IsOpen()) return 0;
  vk::RegKey copy = rootKey;
  int32_t code = vk::RegistryCloseKey(&copy);
  if (code) {
    log.LogNetMsg(LOG_ERROR, code, u"Error closing a registry connection. Errorcode %ld.", code);
    return code;
  }
  rootKey = vk::RegKey();
  return 0;
}

int32_t cVkRegistry::QueryRegistryValue(cOrkLog& log, const vk::RegKey& key, std::u16string_view valueName,
                                        uint32_t* type, std::vector<uint8_t>* data, uint32_t* size) {
  uint32_t bufferSize = kFirstQuerySize;
  int32_t code = 0;
  while (true) {
    data->assign(bufferSize, 0);
    if (queryObserver_) queryObserver_(bufferSize);
    uint32_t answered = bufferSize;
    code = vk::RegistryQueryValue(key, valueName, type, data->data(), &answered);
    if (code == ERROR_MORE_DATA) {
      bufferSize = answered + 1;
      continue;
    }
    if (code == 0) {
      data->resize(answered);
      *size = answered;
    }
    break;
  }
  if (code) {
    VkLogRegistryProblem(log, code);
    log.LogNetMsg(LOG_ERROR, code, u"Error querying the value '%s'. Errorcode %ld.", valueName, code);
    data->clear();
    *size = 0;
  }
  return code;
}

int32_t cVkRegistry::CloseSubKey(cOrkLog& log, vk::RegKey* key, std::u16string_view subKey) {
  int32_t code = vk::RegistryCloseKey(key);
  if (code) {
    log.LogNetMsg(LOG_ERROR, code, u"Error closing a registry subkey. Errorcode %ld.", code);
    log.LogMsg(LOG_ERROR, code, u"An error has occurred while closing the subkey '%s'. Errorcode %ld.", subKey, code);
  }
  return code;
}

int32_t cVkRegistry::ReadStringValue(cOrkLog& log, std::u16string_view subKey, std::u16string_view valueName,
                                     std::u16string* text) {
  vk::RegKey key;
  int32_t code = vk::RegistryOpenKey(rootKey, subKey, &key);
  if (code) {
    VkLogRegistryProblem(log, code);
    log.LogNetMsg(LOG_ERROR, code, u"Error opening the registry subkey '%s'. Errorcode %ld.", subKey, code);
    log.LogMsg(LOG_ERROR, code, u"An error has occurred while opening the subkey '%s'. Errorcode %ld.", subKey, code);
    return code;
  }
  uint32_t type = 0, size = 0;
  std::vector<uint8_t> data;
  code = QueryRegistryValue(log, key, valueName, &type, &data, &size);
  if (code) {
    log.LogMsg(LOG_ERROR, code, u"An error has occurred while querying the value '%s' from subkey '%s'. Errorcode %ld.",
               valueName, subKey, code);
  } else if (type == vk::REG_SZ || type == vk::REG_EXPAND_SZ) {
    *text = StringFromBytes(data, size);
  } else {
    log.LogMsg(LOG_ERROR, 0,
               u"An error has occurred while querying the value '%s' from subkey '%s' The value is not of type string "
               u"(%ld). Errorcode %ld.",
               valueName, subKey, static_cast<int32_t>(type), 0);
  }
  if (int32_t closeCode = CloseSubKey(log, &key, subKey)) code = closeCode;
  return code;
}

int32_t cVkRegistry::WriteValue(cOrkLog& log, std::u16string_view subKey, std::u16string_view valueName, uint32_t type,
                                std::span<const uint8_t> data) {
  vk::RegKey key;
  int32_t code = vk::RegistryCreateKey(rootKey, subKey, &key);
  if (code) {
    VkLogRegistryProblem(log, code);
    log.LogNetMsg(LOG_ERROR, code, u"Error creating/opening the subkey '%s'. Errorcode %ld.", subKey, code);
    return code;
  }
  code = vk::RegistrySetValue(key, valueName, type, data);
  if (code) {
    VkLogRegistryProblem(log, code);
    log.LogNetMsg(LOG_ERROR, code, u"Error setting the value '%s'. Errorcode %ld.", valueName, code);
  }
  if (int32_t closeCode = CloseSubKey(log, &key, subKey)) code = closeCode;
  return code;
}

int32_t cVkRegistry::WriteStringValue(cOrkLog& log, std::u16string_view subKey, std::u16string_view valueName,
                                      std::u16string_view text) {
  return WriteValue(log, subKey, valueName, vk::REG_SZ, StringBytes(text));
}

int32_t cVkRegistry::WriteDwordValue(cOrkLog& log, std::u16string_view subKey, std::u16string_view valueName,
                                     uint32_t value) {
  uint8_t bytes[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value >> 16),
                      static_cast<uint8_t>(value >> 24)};
  return WriteValue(log, subKey, valueName, vk::REG_DWORD, bytes);
}
