// Test support for the picker's tree: finding, listing and expanding items
// as the operator sees them.
#pragma once

#include <QStringList>
#include <QTreeWidgetItem>

#include "netpicker/picker_tree.h"

namespace picker_test {

inline QTreeWidgetItem* Child(QTreeWidgetItem* parent, const QString& label) {
  for (int i = 0; parent != nullptr && i < parent->childCount(); ++i)
    if (parent->child(i)->text(0) == label) return parent->child(i);
  return nullptr;
}

inline QStringList Labels(QTreeWidgetItem* parent) {
  QStringList labels;
  for (int i = 0; parent != nullptr && i < parent->childCount(); ++i) labels << parent->child(i)->text(0);
  return labels;
}

// Expands an item as the operator does and answers it.
inline QTreeWidgetItem* Expand(QTreeWidgetItem* item) {
  if (item != nullptr) item->setExpanded(true);
  return item;
}

// Follows labels from the top item, expanding on the way.
inline QTreeWidgetItem* Open(vk::picker::cVkMultipleSelectSaveTree& tree, const QStringList& path) {
  QTreeWidgetItem* item = Expand(tree.topLevelItem(0));
  for (const QString& label : path) item = Expand(item != nullptr ? Child(item, label) : nullptr);
  return item;
}

}  // namespace picker_test
