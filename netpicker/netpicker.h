// NetPicker (libnetpicker.so): the modal "Browse network" dialog in which
// the operator picks computers, users and groups, returned as (kind, name)
// pairs. The array and its names are the library's; release them with
// FreeData.
#pragma once

#include <cstdint>

// Kinds of picked objects.
inline constexpr uint32_t VK_PICKED_GROUP = 1;
inline constexpr uint32_t VK_PICKED_USER = 2;
inline constexpr uint32_t VK_PICKED_COMPUTER = 3;

// Icons the caller can give the dialog.
inline constexpr uint32_t VK_PICKER_ICON_NETWORK = 3012;
inline constexpr uint32_t VK_PICKER_ICON_COMPUTERS = 3013;

// One picked object in the platform's natural layout. `name` is a
// zero-terminated UTF-16 text: a computer's name, "DOMAIN\name" or
// "\\COMPUTER\name"; null when the name is empty.
struct VkNetworkObject {
  uint32_t kind;
  char16_t* name;
};

extern "C" {

// Runs the dialog with the tree saved in `treeFile` (read at the start,
// written on OK and Cancel). Answers 1 (OK) or 2 (Cancel), or -2 when no
// dialog can be shown (no Qt application runs). *count and *entries are
// always written: the picked objects, or 0 and null.
int32_t VkSelectNetworkObjects(uint32_t icon, const char16_t* treeFile, uint32_t* count, VkNetworkObject** entries);

// Releases an array of VkSelectNetworkObjects; null does nothing.
void FreeData(VkNetworkObject* entries, uint32_t count);

}  // extern "C"

using VkSelectNetworkObjectsFn = int32_t (*)(uint32_t, const char16_t*, uint32_t*, VkNetworkObject**);
using VkFreeDataFn = void (*)(VkNetworkObject*, uint32_t);
