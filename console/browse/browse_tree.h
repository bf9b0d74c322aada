// What a node of the browse tree needs of the tree it sits in: inserting
// child items and asking the main window to show a remote desktop. The Qt
// tree implements it; tests can implement it without windows.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

class cVkNetWorkTreeNode;

// An item of the tree, as the tree hands it out (not owned).
using VkTreeItemRef = void*;

// Image indices of the shared image list.
inline constexpr uint32_t kVkImageNetwork = 0;
inline constexpr uint32_t kVkImageDomain = 1;
inline constexpr uint32_t kVkImageComputer = 2;
inline constexpr uint32_t kVkImageFolder = 3;
inline constexpr uint32_t kVkImageDirectory = 12;
inline constexpr uint32_t kVkImageWindowsNetwork = 13;
inline constexpr uint32_t kVkImageRecent = 17;

// A computer item shows 2 or one of the state images 6 to 11.
inline bool VkIsComputerImage(uint32_t image) { return image == kVkImageComputer || (image >= 6 && image <= 11); }

class iVkBrowseTree {
 public:
  virtual ~iVkBrowseTree() = default;
  // Appends a child of `parent` (top level when null) that owns `node`; with
  // `sort` the parent's children are sorted by label afterwards.
  virtual VkTreeItemRef InsertItem(std::u16string_view label, uint32_t image, uint32_t selectedImage, uint32_t state,
                                   std::unique_ptr<cVkNetWorkTreeNode> node, VkTreeItemRef parent, bool sort) = 0;
  // Runs "Show Remote Desktop" for the current selection, once the current
  // event has been handled.
  virtual void PostShowRemoteDesktop() = 0;
  // Whether the directory library is bound now.
  virtual bool DirectoryAvailable() const = 0;
};
