// cVkTreeWidgetItem: an item of the browse tree with the node it owns and
// its two image indices. The tree keeps track of its living items, so that
// a collection that outlives its item (the modal dialog runs the event
// loop) finds out.
#pragma once

#include <QTreeWidgetItem>
#include <memory>

#include "console/browse/tree_nodes.h"

class cVkMultipleSelectSaveTree;

class cVkTreeWidgetItem : public QTreeWidgetItem {
 public:
  cVkTreeWidgetItem(cVkMultipleSelectSaveTree* tree, std::unique_ptr<cVkNetWorkTreeNode> node);
  ~cVkTreeWidgetItem() override;

  cVkNetWorkTreeNode* Node() const { return node_.get(); }
  // Destroys the node; the item stays, without data.
  void DropNode() { node_.reset(); }
  uint32_t Image() const { return image_; }
  uint32_t SelectedImage() const { return selectedImage_; }
  void SetImages(uint32_t image, uint32_t selectedImage);

 private:
  cVkMultipleSelectSaveTree* tree_;
  std::unique_ptr<cVkNetWorkTreeNode> node_;
  uint32_t image_ = 0;
  uint32_t selectedImage_ = 0;
};
