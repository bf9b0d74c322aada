// Dragging items of the browse tree: a copy of each dragged subtree goes
// under the item it is dropped on (a container) or to the top level.
#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QScrollBar>

#include "console/browse/multiple_select_save_tree.h"
#include "console/browse/tree_widget_item.h"
#include "console/ui/qt_text.h"

namespace {

bool IsAncestorOrSelf(const QTreeWidgetItem* item, const QTreeWidgetItem* of) {
  for (const QTreeWidgetItem* up = of; up != nullptr; up = up->parent()) {
    if (up == item) return true;
  }
  return false;
}

}  // namespace

void cVkMultipleSelectSaveTree::mouseMoveEvent(QMouseEvent* event) {
  const QPoint position = event->position().toPoint();
  const bool held = (event->buttons() & Qt::LeftButton) != 0;
  if (dragging_) {
    if (!held) {
      EndDrag();  // the button went up elsewhere: no drop
      return;
    }
    DragTo(position);
    return;
  }
  if (held && pressed_ && (position - pressPosition_).manhattanLength() >= QApplication::startDragDistance()) {
    pressed_ = false;
    BeginDrag(pressPosition_);
  }
}

void cVkMultipleSelectSaveTree::mouseReleaseEvent(QMouseEvent* event) {
  pressed_ = false;
  if (dragging_ && event->button() == Qt::LeftButton) {
    Drop(event->position().toPoint());
    return;
  }
  QTreeWidget::mouseReleaseEvent(event);
}

bool cVkMultipleSelectSaveTree::BeginDrag(const QPoint& position) {
  if (suppressDrag_) {
    suppressDrag_ = false;
    return false;
  }
  if (!viewport()->rect().contains(position)) return false;
  QList<QTreeWidgetItem*> dragged = SelectedInTreeOrder();
  if (dragged.isEmpty()) {
    QTreeWidgetItem* item = itemAt(position);
    if (item == nullptr) return false;
    SelectOnly(item);
    dragged.append(item);
  }
  dragging_ = true;
  cursorShown_ = false;
  viewport()->setCursor(Qt::BlankCursor);
  viewport()->grabMouse();
  // The first dragged item's picture and label follow the mouse.
  dragImage_ = new QLabel(this, Qt::ToolTip | Qt::FramelessWindowHint);
  dragImage_->setText(dragged.first()->text(0));
  dragImage_->move(viewport()->mapToGlobal(position) + QPoint(12, 4));
  dragImage_->show();
  return true;
}

void cVkMultipleSelectSaveTree::DragTo(const QPoint& position) {
  if (dragImage_) dragImage_->move(viewport()->mapToGlobal(position) + QPoint(12, 4));
  const QList<QTreeWidgetItem*> visible = VisibleItems();
  QTreeWidgetItem* caret = currentItem();
  const qsizetype at = caret != nullptr ? visible.indexOf(caret) : -1;
  if (position.y() < 0 && at > 0) {
    setCurrentItem(visible[at - 1], 0, QItemSelectionModel::NoUpdate);
    scrollToItem(visible[at - 1]);
    return;
  }
  if (position.y() > viewport()->height() && at + 1 < visible.size()) {
    setCurrentItem(visible[at + 1], 0, QItemSelectionModel::NoUpdate);
    scrollToItem(visible[at + 1]);
    return;
  }
  if (QTreeWidgetItem* over = itemAt(position)) {
    setCurrentItem(over, 0, QItemSelectionModel::NoUpdate);
    scrollToItem(over);
  }
}

void cVkMultipleSelectSaveTree::EndDrag() {
  dragging_ = false;
  if (dragImage_) dragImage_->deleteLater();
  dragImage_ = nullptr;
  cursorShown_ = true;
  viewport()->unsetCursor();
  viewport()->releaseMouse();
}

void cVkMultipleSelectSaveTree::Drop(const QPoint& position) {
  if (!dragging_) return;
  EndDrag();
  QTreeWidgetItem* target = itemAt(position);
  cVkNetWorkTreeNode* node = target != nullptr ? NodeOf(target) : nullptr;
  if (node != nullptr && !node->container) {
    ClearSelectedBits();
    return;
  }
  if (target == nullptr && !viewport()->rect().contains(position)) return;
  bool copied = false;
  for (QTreeWidgetItem* item : SelectedInTreeOrder()) {
    if (IsAncestorOrSelf(item, target)) continue;
    CopySubtree(item, target);
    copied = true;
  }
  // Only a target that received copies opens (an empty one would collect).
  if (target != nullptr && copied) target->setExpanded(true);
  ClearSelectedBits();
}

void cVkMultipleSelectSaveTree::CopySubtree(QTreeWidgetItem* item, QTreeWidgetItem* parent) {
  auto* source = static_cast<cVkTreeWidgetItem*>(item);
  std::unique_ptr<cVkNetWorkTreeNode> clone;
  if (source->Node() != nullptr) {
    clone.reset(static_cast<cVkNetWorkTreeNode*>(source->Node()->Clone()));
    clone->renamable = true;
    clone->deletable = true;
  }
  // The children are read before the copy is inserted: a copy into the
  // item's own parent must not copy itself again.
  QList<QTreeWidgetItem*> children;
  for (int i = 0; i < item->childCount(); ++i) children.append(item->child(i));
  auto* copy = static_cast<QTreeWidgetItem*>(InsertItem(FromQString(item->text(0)), source->Image(),
                                                        source->SelectedImage(), 0, std::move(clone), parent, true));
  for (QTreeWidgetItem* child : children) CopySubtree(child, copy);
}
