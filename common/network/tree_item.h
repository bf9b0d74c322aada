// cVkTreeItem: one item of a browse tree as saved, with its subtree.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "common/archive/object.h"

class cVkTreeItem : public cVkObject {
  VK_DECLARE_SERIAL(cVkTreeItem)

 public:
  // State bits kept: selected, drop-highlighted, bold, expanded,
  // expanded-once and the focus bit.
  static constexpr uint32_t kStateMask = 0x7B;

  cVkTreeItem() = default;
  cVkTreeItem(std::u16string text, uint32_t state, uint32_t image, uint32_t selectedImage,
              std::unique_ptr<cVkObject> node);
  cVkTreeItem(const cVkTreeItem&) = delete;
  cVkTreeItem& operator=(const cVkTreeItem&) = delete;

  void Serialize(cVkArchive& archive) override;
  cVkObject* Clone() const override;
  // Copies every field; the node and the children as clones.
  void CopyFrom(const cVkObject& other) override;
  void VisitFields(cVkFieldVisitor& visitor) const override;

  const std::u16string& GetName() const { return text; }
  cVkTreeItem* AddChild(std::unique_ptr<cVkTreeItem> child);

  std::u16string text;
  uint32_t state = 0;
  uint32_t image = 0;
  uint32_t selectedImage = 0;
  std::unique_ptr<cVkObject> node;  // owned clone of the item's tree node, or null
  std::vector<std::unique_ptr<cVkTreeItem>> children;
};
