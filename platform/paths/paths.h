// Small file-system facts and changes the agent needs: a file's size,
// removing a file, creating a folder. Paths are UTF-16; answers are Win32
// codes (2 not found, 5 access denied, 183 already exists ...).
#pragma once

#include <cstdint>
#include <string_view>

namespace vk::paths {

// Size of a file in bytes; 2 when it does not exist.
int32_t FileSize(std::u16string_view path, uint64_t* size);
int32_t RemoveFile(std::u16string_view path);
// Creates one folder (mode 0700); 183 when it exists already.
int32_t CreateFolder(std::u16string_view path);

}  // namespace vk::paths
