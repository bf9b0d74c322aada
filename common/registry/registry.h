// cVkRegistry: a thin wrapper over one registry root of this or another
// computer: connect, close, read a string value, write a string or a DWORD
// value. Every operation logs its failures and answers 0 or the registry's
// error code.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "log/orklog.h"
#include "platform/registry/registry.h"

class cVkRegistry {
 public:
  cVkRegistry() = default;
  // Does not close the connection: callers call CloseRegistry.
  virtual ~cVkRegistry() = default;

  // computerName null: this computer.
  int32_t ConnectRegistry(cOrkLog& log, const std::u16string* computerName, vk::RegRoot root);
  int32_t CloseRegistry(cOrkLog& log);

  // Reads a value of an open key, growing the buffer until it fits. On
  // failure data is emptied and size is 0.
  int32_t QueryRegistryValue(cOrkLog& log, const vk::RegKey& key, std::u16string_view valueName, uint32_t* type,
                             std::vector<uint8_t>* data, uint32_t* size);

  // Reads a REG_SZ or REG_EXPAND_SZ value (unexpanded). A value of another
  // type is logged and leaves text unchanged, answering 0.
  int32_t ReadStringValue(cOrkLog& log, std::u16string_view subKey, std::u16string_view valueName,
                          std::u16string* text);
  // Create the subkey when needed and write REG_SZ (with its terminator) or REG_DWORD.
  int32_t WriteStringValue(cOrkLog& log, std::u16string_view subKey, std::u16string_view valueName,
                           std::u16string_view text);
  int32_t WriteDwordValue(cOrkLog& log, std::u16string_view subKey, std::u16string_view valueName, uint32_t value);

  bool IsConnected() const { return rootKey.IsOpen(); }
  // Called with the buffer size of each attempt of QueryRegistryValue.
  void SetQueryAttemptObserver(std::function<void(uint32_t)> observer) { queryObserver_ = std::move(observer); }

 private:
  int32_t WriteValue(cOrkLog& log, std::u16string_view subKey, std::u16string_view valueName, uint32_t type,
                     std::span<const uint8_t> data);
  int32_t CloseSubKey(cOrkLog& log, vk::RegKey* key, std::u16string_view subKey);

  vk::RegKey rootKey;
  std::function<void(uint32_t)> queryObserver_;
};

// Adds the file, line and fault to the log when code says a registry file is damaged.
void VkLogRegistryProblem(cOrkLog& log, int32_t code);
