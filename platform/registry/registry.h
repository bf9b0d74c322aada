// Registry keys and values in the shape the system's registry code expects:
// open and created keys, values of a type with their bytes, Win32 answers
// (2 not found, 234 more data, 53 a computer we cannot reach ...).
//
// Only this computer's registry is served; a remote computer name fails with
// ERROR_BAD_NETPATH (53) until remote access is provided.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "platform/registry/reg_store.h"

namespace vk {

// An open key: a root and a path below it. Copyable; closing one copy does
// not affect another.
class RegKey {
 public:
  bool IsOpen() const { return open_; }
  RegRoot Root() const { return root_; }
  const std::u16string& Path() const { return path_; }

 private:
  friend int32_t RegistryConnect(std::u16string_view, RegRoot, RegKey*);
  friend int32_t RegistryOpenKey(const RegKey&, std::u16string_view, RegKey*);
  friend int32_t RegistryCreateKey(const RegKey&, std::u16string_view, RegKey*);
  friend int32_t RegistryCloseKey(RegKey*);

  bool open_ = false;
  RegRoot root_ = RegRoot::LocalMachine;
  std::u16string path_;
};

// Connects to a root key of a computer (empty name: this computer).
int32_t RegistryConnect(std::u16string_view computer, RegRoot root, RegKey* out);
// Opens an existing subkey; 2 when it does not exist.
int32_t RegistryOpenKey(const RegKey& parent, std::u16string_view subKey, RegKey* out);
// Opens a subkey, creating it and its missing ancestors.
int32_t RegistryCreateKey(const RegKey& parent, std::u16string_view subKey, RegKey* out);
// Reads a value: with data null only *size is set; with a buffer smaller than
// the value *size becomes the value's size and the answer is 234.
int32_t RegistryQueryValue(const RegKey& key, std::u16string_view name, uint32_t* type, uint8_t* data, uint32_t* size);
int32_t RegistrySetValue(const RegKey& key, std::u16string_view name, uint32_t type, std::span<const uint8_t> data);
int32_t RegistryDeleteValue(const RegKey& key, std::u16string_view name);
// Closes a key; 6 when it is not open.
int32_t RegistryCloseKey(RegKey* key);

// What was wrong when this thread's last failed call answered
// ERROR_REGISTRY_CORRUPT (1015: the file, the line and the fault),
// ERROR_PATH_NOT_FOUND for a root without a file (the current user's without
// a home) or ERROR_ACCESS_DENIED for a lock file that is a symbolic link.
std::u16string RegistryLastProblem();

}  // namespace vk
