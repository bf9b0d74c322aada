// cVkMultipleSelectSaveTree: the picker's tree. Several items can be
// selected (Ctrl toggles, Shift selects a range); children are collected on
// demand (expansion, double-click, "Refresh", F5) in a worker thread; the
// tree is kept between runs in a file (LoadTree/SaveTree).
#pragma once

#include <QTreeWidget>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "log/orklog.h"
#include "netpicker/nodes.h"

class QMenu;

namespace vk::picker {

// What the tree shows when a collection fails: the message, its log and code.
using CollectionErrorHandler = std::function<void(const QString& message, cOrkLog& log, int32_t code)>;

class cVkMultipleSelectSaveTree : public QTreeWidget {
  Q_OBJECT

 public:
  static constexpr int kRefreshCommand = 1025;
  // State bits kept in the tree file.
  static constexpr uint32_t kStateSelected = 0x2;
  static constexpr uint32_t kStateExpanded = 0x20;

  explicit cVkMultipleSelectSaveTree(QWidget* parent);
  ~cVkMultipleSelectSaveTree() override;

  // Reads the tree file; a missing or damaged file gives the single
  // "Network" item (a damaged one is noted in `log`).
  void LoadTree(const std::u16string& path, cOrkLog& log);
  // Writes the first top-level item and its subtree; 0 or the error.
  int32_t SaveTree(const std::u16string& path);

  QTreeWidgetItem* InsertItem(const std::u16string& label, uint32_t image, uint32_t selectedImage, uint32_t state,
                              std::unique_ptr<cVkNetWorkTreeNode> node, QTreeWidgetItem* parent, bool sort);
  std::u16string Label(const QTreeWidgetItem* item) const;
  cVkNetWorkTreeNode* NodeOf(const QTreeWidgetItem* item) const;
  uint32_t ImageOf(const QTreeWidgetItem* item) const;
  // Every item, depth-first, parents before children.
  std::vector<QTreeWidgetItem*> ItemsInTreeOrder() const;
  std::vector<QTreeWidgetItem*> SelectedInTreeOrder() const;

  // Collects the item's children behind the progress dialog and inserts them.
  void CollectWithProgress(QTreeWidgetItem* item);
  // Deletes the children of every selected item and collects them again.
  void RefreshSelected();
  void SetErrorHandler(CollectionErrorHandler handler) { errorHandler_ = std::move(handler); }
  QMenu* ContextMenu() const { return menu_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  void OnExpanded(QTreeWidgetItem* item);
  void OnDoubleClicked(QTreeWidgetItem* item);
  void ReloadChildren(QTreeWidgetItem* item);
  // Drops the expand button of an item that turned out to have no children.
  void MarkChildless(QTreeWidgetItem* item);

  QMenu* menu_;
  CollectionErrorHandler errorHandler_;
};

}  // namespace vk::picker
