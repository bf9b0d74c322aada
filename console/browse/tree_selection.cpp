// The browse tree's own multiple selection: mouse clicks with and without
// Ctrl or Shift, Shift+Up/Down, and the keys that act on the selection.
#include <QKeyEvent>
#include <QMouseEvent>

#include "console/browse/multiple_select_save_tree.h"

namespace {

// The keys whose virtual-key codes lie below 32 (they leave the selection).
bool IsControlKey(int key) {
  switch (key) {
    case Qt::Key_Backspace:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_Meta:
    case Qt::Key_Pause:
    case Qt::Key_CapsLock:
    case Qt::Key_Escape:
      return true;
    default:
      return false;
  }
}

}  // namespace

void cVkMultipleSelectSaveTree::ClearSelectedBits() {
  for (QTreeWidgetItem* item : SelectedInTreeOrder()) item->setSelected(false);
  anchor_ = nullptr;
}

void cVkMultipleSelectSaveTree::SelectOnly(QTreeWidgetItem* item) {
  ClearSelectedBits();
  setCurrentItem(item, 0, QItemSelectionModel::NoUpdate);
  item->setSelected(true);
}

QList<QTreeWidgetItem*> cVkMultipleSelectSaveTree::VisibleItems() const {
  QList<QTreeWidgetItem*> visible;
  for (QTreeWidgetItemIterator it(const_cast<cVkMultipleSelectSaveTree*>(this)); *it != nullptr; ++it) {
    bool shown = !(*it)->isHidden();
    for (QTreeWidgetItem* up = (*it)->parent(); shown && up != nullptr; up = up->parent()) shown = up->isExpanded();
    if (shown) visible.append(*it);
  }
  return visible;
}

void cVkMultipleSelectSaveTree::ShiftSelect(QTreeWidgetItem* item) {
  if (anchor_ == nullptr) {
    const QList<QTreeWidgetItem*> selected = SelectedInTreeOrder();
    anchor_ = selected.isEmpty() ? item : selected.first();
  }
  const QList<QTreeWidgetItem*> visible = VisibleItems();
  const qsizetype from = visible.indexOf(anchor_);
  const qsizetype to = visible.indexOf(item);
  const qsizetype low = std::min(from, to), high = std::max(from, to);
  for (qsizetype i = 0; i < visible.size(); ++i) visible[i]->setSelected(from >= 0 && i >= low && i <= high);
}

void cVkMultipleSelectSaveTree::mousePressEvent(QMouseEvent* event) {
  const QPoint position = event->position().toPoint();
  QTreeWidgetItem* item = itemAt(position);
  if (event->button() != Qt::LeftButton) {
    event->accept();  // the context menu does its own selecting
    return;
  }
  pressed_ = true;
  pressPosition_ = position;
  const Qt::KeyboardModifiers modifiers = event->modifiers();
  if (item != nullptr && (modifiers & Qt::ControlModifier) != 0) {
    item->setSelected(!item->isSelected());
    anchor_ = item;
    return;
  }
  if (item != nullptr && (modifiers & Qt::ShiftModifier) != 0) {
    ShiftSelect(item);
    return;
  }
  if (item == nullptr) {
    ClearSelectedBits();
    return;
  }
  // Left of the label: the expand button, which the control handles.
  if (position.x() < visualItemRect(item).left()) {
    QTreeWidget::mousePressEvent(event);
    return;
  }
  SelectOnly(item);
}

void cVkMultipleSelectSaveTree::mouseDoubleClickEvent(QMouseEvent* event) {
  QTreeWidgetItem* item = itemAt(event->position().toPoint());
  if (event->button() != Qt::LeftButton || item == nullptr) return;
  if (item->childCount() == 0) CollectChildless(item);
}

void cVkMultipleSelectSaveTree::CollectChildless(QTreeWidgetItem* item) {
  CollectWithProgress(item);
  suppressDrag_ = true;
  if (Alive(item) && item->childCount() == 0) item->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicator);
}

void cVkMultipleSelectSaveTree::ShiftMove(int key) {
  QTreeWidgetItem* caret = currentItem();
  if (anchor_ == nullptr) {
    ClearSelectedBits();
    anchor_ = caret;
  }
  const QList<QTreeWidgetItem*> visible = VisibleItems();
  const qsizetype at = visible.indexOf(caret);
  const qsizetype next = at < 0 ? 0 : at + (key == Qt::Key_Up ? -1 : 1);
  if (next < 0 || next >= visible.size()) return;
  QTreeWidgetItem* target = visible[next];
  if (!target->isSelected() && caret != nullptr) caret->setSelected(true);
  setCurrentItem(target, 0, QItemSelectionModel::NoUpdate);
  scrollToItem(target);
}

void cVkMultipleSelectSaveTree::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  if ((key == Qt::Key_Up || key == Qt::Key_Down) && (event->modifiers() & Qt::ShiftModifier) != 0) {
    ShiftMove(key);
    return;
  }
  if (key == Qt::Key_Delete) {
    DeleteSelected();
  } else if (key == Qt::Key_F5) {
    const QList<QTreeWidgetItem*> selected = SelectedInTreeOrder();
    if (!selected.isEmpty()) {
      DeleteChildren(selected.first());
      CollectWithProgress(selected.first());
      suppressDrag_ = true;
    }
  } else if (!IsControlKey(key)) {
    ClearSelectedBits();
  }
  QTreeWidget::keyPressEvent(event);
}
