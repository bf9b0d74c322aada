// Reading and writing single values of this computer's registry.
#pragma once

#include <cstdint>
#include <string>

#include "platform/registry/registry.h"

namespace vk::agent {

// Reads a string value (REG_SZ or REG_EXPAND_SZ) of `keyPath` below `root`.
// 2 when the key or the value is missing; a value of another type answers 0
// and leaves `text` unchanged.
int32_t ReadStringValue(const vk::RegKey& root, const std::u16string& keyPath, const std::u16string& name,
                        std::u16string* text);

// Reads a REG_DWORD value: 2 when the key or the value is missing (234 when
// it is longer than a DWORD); a value of another type answers 0 and leaves
// `value` unchanged.
int32_t ReadDwordValue(const vk::RegKey& root, const std::u16string& keyPath, const std::u16string& name,
                       uint32_t* value);

// Writes a REG_SZ or REG_DWORD value, creating the key when it is missing.
int32_t WriteStringValue(const vk::RegKey& root, const std::u16string& keyPath, const std::u16string& name,
                         const std::u16string& text);
int32_t WriteDwordValue(const vk::RegKey& root, const std::u16string& keyPath, const std::u16string& name,
                        uint32_t value);

}  // namespace vk::agent
