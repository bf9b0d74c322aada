#include "netpicker/picker_tree.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>

#include "common/network/tree_item.h"
#include "netpicker/collect_job.h"
#include "netpicker/picker_images.h"
#include "netpicker/progress_dialog.h"

namespace vk::picker {

namespace {

constexpr size_t kMaxSavedLabel = 1024;

// An item of the tree: its node and its two images.
class cVkPickerItem : public QTreeWidgetItem {
 public:
  cVkPickerItem(std::unique_ptr<cVkNetWorkTreeNode> node, uint32_t image, uint32_t selectedImage)
      : node(std::move(node)), image(image), selectedImage(selectedImage) {
    QIcon icon = PickerIcon(image);
    if (selectedImage != image) {
      for (QSize size : {QSize(16, 16), QSize(32, 32)})
        icon.addPixmap(PickerIcon(selectedImage).pixmap(size), QIcon::Selected);
    }
    setIcon(0, icon);
    setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
  }

  // Siblings sort by their labels, ignoring case.
  bool operator<(const QTreeWidgetItem& other) const override {
    return text(0).compare(other.text(0), Qt::CaseInsensitive) < 0;
  }

  std::unique_ptr<cVkNetWorkTreeNode> node;
  uint32_t image;
  uint32_t selectedImage;
};

cVkPickerItem* AsPickerItem(const QTreeWidgetItem* item) {
  return const_cast<cVkPickerItem*>(static_cast<const cVkPickerItem*>(item));
}

void AppendSubtree(QTreeWidgetItem* item, std::vector<QTreeWidgetItem*>& items) {
  items.push_back(item);
  for (int i = 0; i < item->childCount(); ++i) AppendSubtree(item->child(i), items);
}

uint32_t StateOf(const QTreeWidgetItem* item) {
  uint32_t state = 0;
  if (item->isSelected()) state |= cVkMultipleSelectSaveTree::kStateSelected;
  if (item->isExpanded()) state |= cVkMultipleSelectSaveTree::kStateExpanded;
  return state;
}

std::unique_ptr<cVkTreeItem> Capture(const cVkMultipleSelectSaveTree& tree, const QTreeWidgetItem* item) {
  const cVkPickerItem* picker = AsPickerItem(item);
  std::u16string label = tree.Label(item).substr(0, kMaxSavedLabel);
  std::unique_ptr<cVkObject> node(picker->node ? picker->node->Clone() : nullptr);
  auto saved = std::make_unique<cVkTreeItem>(label, StateOf(item) & cVkTreeItem::kStateMask, picker->image,
                                             picker->selectedImage, std::move(node));
  for (int i = 0; i < item->childCount(); ++i) saved->AddChild(Capture(tree, item->child(i)));
  return saved;
}

// A saved node is taken only when it is one of the picker's.
std::unique_ptr<cVkNetWorkTreeNode> RestoredNode(const cVkObject* saved) {
  auto* node = dynamic_cast<const cVkNetWorkTreeNode*>(saved);
  return std::unique_ptr<cVkNetWorkTreeNode>(node != nullptr ? node->CloneNode() : nullptr);
}

void Restore(cVkMultipleSelectSaveTree& tree, const cVkTreeItem& saved, QTreeWidgetItem* parent) {
  QTreeWidgetItem* item = tree.InsertItem(saved.text, saved.image, saved.selectedImage, saved.state,
                                          RestoredNode(saved.node.get()), parent, false);
  for (const auto& child : saved.children) Restore(tree, *child, item);
  if (saved.state & cVkMultipleSelectSaveTree::kStateExpanded) item->setExpanded(true);
}

// Keys that keep the selection: those below the space bar and the modifiers.
bool KeepsSelection(const QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Backspace:
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_Meta:
      return true;
    default:
      return false;
  }
}

}  // namespace

cVkMultipleSelectSaveTree::cVkMultipleSelectSaveTree(QWidget* parent) : QTreeWidget(parent) {
  setObjectName(QStringLiteral("cVkMultipleSelectSaveTree"));
  setHeaderHidden(true);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setExpandsOnDoubleClick(false);
  setIconSize(QSize(16, 16));
  menu_ = new QMenu(this);
  QAction* refresh = menu_->addAction(QStringLiteral("Refresh"));
  refresh->setData(kRefreshCommand);
  connect(refresh, &QAction::triggered, this, &cVkMultipleSelectSaveTree::RefreshSelected);
  connect(this, &QTreeWidget::itemExpanded, this, &cVkMultipleSelectSaveTree::OnExpanded);
  connect(this, &QTreeWidget::itemDoubleClicked, this, &cVkMultipleSelectSaveTree::OnDoubleClicked);
}

cVkMultipleSelectSaveTree::~cVkMultipleSelectSaveTree() = default;

void cVkMultipleSelectSaveTree::LoadTree(const std::u16string& path, cOrkLog& log) {
  cVkTreeItem saved;
  int32_t rc = 0;
  {
    PickerClassRegistration classes;
    rc = saved.LoadFromFile(path);
  }
  if (rc == 0) {
    Restore(*this, saved, nullptr);
  } else if (rc != 2) {
    // Whatever was read of a damaged file is dropped; the tree starts afresh.
    log.LogMsg(LOG_WARNING, rc, u"The saved tree '%s' could not be read; a new tree is used. Errorcode %ld.", path, rc);
  }
  if (topLevelItemCount() == 0)
    InsertItem(u"Network", kImageNetwork, kImageNetwork, 0, std::make_unique<cVkNetWorkTreeNodeRoot>(), nullptr, false);
  setCurrentItem(nullptr, 0, QItemSelectionModel::NoUpdate);
}

int32_t cVkMultipleSelectSaveTree::SaveTree(const std::u16string& path) {
  if (topLevelItemCount() == 0) return 0;
  return Capture(*this, topLevelItem(0))->SaveToFile(path);
}

QTreeWidgetItem* cVkMultipleSelectSaveTree::InsertItem(const std::u16string& label, uint32_t image,
                                                       uint32_t selectedImage, uint32_t state,
                                                       std::unique_ptr<cVkNetWorkTreeNode> node,
                                                       QTreeWidgetItem* parent, bool sort) {
  auto* item = new cVkPickerItem(std::move(node), image, selectedImage);
  item->setText(0, QString::fromStdU16String(label));
  if (parent != nullptr) {
    parent->addChild(item);
    parent->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    if (sort) parent->sortChildren(0, Qt::AscendingOrder);
  } else {
    addTopLevelItem(item);
  }
  if (state & kStateSelected) item->setSelected(true);
  return item;
}

std::u16string cVkMultipleSelectSaveTree::Label(const QTreeWidgetItem* item) const {
  return item->text(0).toStdU16String();
}

cVkNetWorkTreeNode* cVkMultipleSelectSaveTree::NodeOf(const QTreeWidgetItem* item) const {
  return AsPickerItem(item)->node.get();
}

uint32_t cVkMultipleSelectSaveTree::ImageOf(const QTreeWidgetItem* item) const { return AsPickerItem(item)->image; }

std::vector<QTreeWidgetItem*> cVkMultipleSelectSaveTree::ItemsInTreeOrder() const {
  std::vector<QTreeWidgetItem*> items;
  for (int i = 0; i < topLevelItemCount(); ++i) AppendSubtree(topLevelItem(i), items);
  return items;
}

std::vector<QTreeWidgetItem*> cVkMultipleSelectSaveTree::SelectedInTreeOrder() const {
  std::vector<QTreeWidgetItem*> selected;
  for (QTreeWidgetItem* item : ItemsInTreeOrder())
    if (item->isSelected()) selected.push_back(item);
  return selected;
}

void cVkMultipleSelectSaveTree::CollectWithProgress(QTreeWidgetItem* item) {
  cVkNetWorkTreeNode* node = NodeOf(item);
  if (node == nullptr) return;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const QString label = item->text(0);
  std::shared_ptr<cVkCollectJob> job = cVkCollectJob::Start(std::unique_ptr<cVkNetWorkTreeNode>(node->CloneNode()));
  bool done = false;
  for (int poll = 0; poll < 5 && !done; ++poll) done = job->WaitDone(std::chrono::milliseconds(100));
  QApplication::restoreOverrideCursor();
  if (!done) {
    cVkPickerProgressDialog progress(this, label, job);
    progress.exec();
    done = job->IsDone();
  }
  // A cancelled job goes on alone; its result is dropped.
  if (!done) {
    job->Abandon();
    return;
  }
  cOrkLog log;
  log.SetMemLogMask(LOG_ALL);
  cVkCollection collection;
  const int32_t result = job->TakeResult(log, collection);
  if (result != 0) {
    if (errorHandler_)
      errorHandler_(
          QStringLiteral("An error has occurred while retrieving the information for the selected tree item."), log,
          result);
    return;
  }
  node->Populate(collection, *this, item);
}

void cVkMultipleSelectSaveTree::ReloadChildren(QTreeWidgetItem* item) {
  qDeleteAll(item->takeChildren());
  CollectWithProgress(item);
}

void cVkMultipleSelectSaveTree::RefreshSelected() {
  // Items inside a subtree that is reloaded anyway are left to it.
  std::vector<QTreeWidgetItem*> selected = SelectedInTreeOrder();
  std::vector<QTreeWidgetItem*> roots;
  for (QTreeWidgetItem* item : selected) {
    bool inside = false;
    for (QTreeWidgetItem* up = item->parent(); up != nullptr && !inside; up = up->parent())
      inside = std::find(roots.begin(), roots.end(), up) != roots.end();
    if (!inside) roots.push_back(item);
  }
  for (QTreeWidgetItem* item : roots) ReloadChildren(item);
}

void cVkMultipleSelectSaveTree::MarkChildless(QTreeWidgetItem* item) {
  if (item->childCount() == 0) item->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicator);
}

void cVkMultipleSelectSaveTree::OnExpanded(QTreeWidgetItem* item) {
  if (item->childCount() != 0) return;
  if (!item->isSelected()) {
    clearSelection();
    item->setSelected(true);
  }
  CollectWithProgress(item);
  MarkChildless(item);
}

void cVkMultipleSelectSaveTree::OnDoubleClicked(QTreeWidgetItem* item) {
  if (item->childCount() != 0) return;
  CollectWithProgress(item);
  MarkChildless(item);
  if (item->childCount() != 0) item->setExpanded(true);
}

void cVkMultipleSelectSaveTree::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_F5) {
    std::vector<QTreeWidgetItem*> selected = SelectedInTreeOrder();
    if (!selected.empty()) ReloadChildren(selected.front());
    return;
  }
  const bool shiftMove =
      (event->modifiers() & Qt::ShiftModifier) && (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down);
  if (!shiftMove && !KeepsSelection(event)) clearSelection();
  QTreeWidget::keyPressEvent(event);
}

void cVkMultipleSelectSaveTree::contextMenuEvent(QContextMenuEvent* event) {
  QTreeWidgetItem* item = itemAt(event->pos());
  if (item == nullptr) return;
  if (!item->isSelected()) {
    clearSelection();
    item->setSelected(true);
    setCurrentItem(item, 0, QItemSelectionModel::NoUpdate);
  }
  menu_->popup(event->globalPos());
}

}  // namespace vk::picker
