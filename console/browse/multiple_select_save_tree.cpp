#include "console/browse/multiple_select_save_tree.h"

#include <QHeaderView>
#include <QHelpEvent>
#include <QLabel>
#include <QMenu>
#include <QTimer>
#include <QToolTip>

#include "common/network/tree_item.h"
#include "console/browse/browse_sources.h"
#include "console/browse/tree_images.h"
#include "console/browse/tree_widget_item.h"
#include "console/ui/qt_text.h"
#include "log/orklog.h"

namespace {

// Item state bits kept in UMBTS.dat.
constexpr uint32_t kStateSelected = 0x2;
constexpr uint32_t kStateBold = 0x10;
constexpr uint32_t kStateExpanded = 0x20;
constexpr uint32_t kStateExpandedOnce = 0x40;
constexpr int kMaxLabel = 1024;
constexpr int32_t kFileMissing = 2;

}  // namespace

cVkTreeWidgetItem::cVkTreeWidgetItem(cVkMultipleSelectSaveTree* tree, std::unique_ptr<cVkNetWorkTreeNode> node)
    : tree_(tree), node_(std::move(node)) {
  tree_->live_.insert(this);
}

cVkTreeWidgetItem::~cVkTreeWidgetItem() {
  tree_->live_.erase(this);
  if (tree_->anchor_ == this) tree_->anchor_ = nullptr;
}

void cVkTreeWidgetItem::SetImages(uint32_t image, uint32_t selectedImage) {
  image_ = image;
  selectedImage_ = selectedImage;
  QIcon icon = VkTreeImage(image);
  if (selectedImage != image) icon.addPixmap(VkTreeImage(selectedImage).pixmap(16, 16), QIcon::Selected);
  setIcon(0, icon);
}

cVkMultipleSelectSaveTree::cVkMultipleSelectSaveTree(QWidget* parent) : QTreeWidget(parent) {
  setObjectName(QStringLiteral("Browse tree"));
  setColumnCount(1);
  header()->hide();
  setSelectionMode(QAbstractItemView::MultiSelection);
  setExpandsOnDoubleClick(false);
  setRootIsDecorated(true);
  setIconSize(QSize(16, 16));
  setFrameShape(QFrame::StyledPanel);
  setMouseTracking(true);
  connect(this, &QTreeWidget::itemExpanded, this, &cVkMultipleSelectSaveTree::Expanding);
}

cVkMultipleSelectSaveTree::~cVkMultipleSelectSaveTree() {
  states_.reset();  // no answer arrives after this
  // The items go while the set of living items is still there.
  disconnect(this, &QTreeWidget::itemExpanded, this, &cVkMultipleSelectSaveTree::Expanding);
  clear();
}

cVkNetWorkTreeNode* cVkMultipleSelectSaveTree::NodeOf(const QTreeWidgetItem* item) {
  auto* own = dynamic_cast<const cVkTreeWidgetItem*>(item);
  return own != nullptr ? own->Node() : nullptr;
}

uint32_t cVkMultipleSelectSaveTree::ImageOf(const QTreeWidgetItem* item) {
  auto* own = dynamic_cast<const cVkTreeWidgetItem*>(item);
  return own != nullptr ? own->Image() : 0;
}

VkTreeItemRef cVkMultipleSelectSaveTree::InsertItem(std::u16string_view label, uint32_t image, uint32_t selectedImage,
                                                    uint32_t state, std::unique_ptr<cVkNetWorkTreeNode> node,
                                                    VkTreeItemRef parent, bool sort) {
  auto* item = new cVkTreeWidgetItem(this, std::move(node));
  item->setText(0, ToQString(label));
  item->SetImages(image, selectedImage);
  item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
  auto* parentItem = static_cast<QTreeWidgetItem*>(parent);
  QTreeWidgetItem* under = parentItem != nullptr ? parentItem : invisibleRootItem();
  under->addChild(item);
  state &= cVkTreeItem::kStateMask;
  if ((state & kStateBold) != 0) {
    QFont font = item->font(0);
    font.setBold(true);
    item->setFont(0, font);
  }
  if ((state & kStateSelected) != 0) item->setSelected(true);
  if (parentItem != nullptr) parentItem->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
  if (sort) under->sortChildren(0, Qt::AscendingOrder);
  return item;
}

void cVkMultipleSelectSaveTree::PostShowRemoteDesktop() {
  QMetaObject::invokeMethod(
      this, [this] { emit showRemoteDesktopRequested(); }, Qt::QueuedConnection);
}

bool cVkMultipleSelectSaveTree::DirectoryAvailable() const {
  std::shared_ptr<cVkDirBridge> directory = VkBrowseSources().directory;
  return directory && directory->IsLoaded();
}

// ---- UMBTS.dat

void cVkMultipleSelectSaveTree::LoadTree(std::u16string_view path, cOrkLog& log) {
  BuildMenus();
  cVkTreeItem saved;
  const int32_t rc = saved.LoadFromFile(path);
  if (rc == 0) {
    restoring_ = true;
    RestoreItem(saved, nullptr);
    restoring_ = false;
  } else if (rc != kFileMissing) {
    log.LogMsg(LOG_ERROR, rc, u"An error has occurred while reading the browse tree from '%s'. Errorcode %ld.",
               std::u16string(path), rc);
  }
  if (topLevelItemCount() == 0) {
    InsertItem(u"Network", kVkImageNetwork, kVkImageNetwork, 0, std::make_unique<cVkNetWorkTreeNodeRoot>(), nullptr,
               false);
  }
  setCurrentItem(nullptr, 0, QItemSelectionModel::NoUpdate);
}

void cVkMultipleSelectSaveTree::RestoreItem(const cVkTreeItem& saved, QTreeWidgetItem* parent) {
  std::unique_ptr<cVkNetWorkTreeNode> node;
  if (auto* savedNode = dynamic_cast<const cVkNetWorkTreeNode*>(saved.node.get()))
    node.reset(static_cast<cVkNetWorkTreeNode*>(savedNode->Clone()));
  auto* item = static_cast<QTreeWidgetItem*>(
      InsertItem(saved.text, saved.image, saved.selectedImage, saved.state, std::move(node), parent, false));
  for (const auto& child : saved.children) RestoreItem(*child, item);
  if ((saved.state & kStateExpanded) != 0 && item->childCount() > 0) item->setExpanded(true);
}

std::unique_ptr<cVkTreeItem> cVkMultipleSelectSaveTree::CaptureItem(QTreeWidgetItem* item) const {
  uint32_t state = item->isSelected() ? kStateSelected : 0;
  if (item->font(0).bold()) state |= kStateBold;
  if (item->isExpanded()) state |= kStateExpanded;
  if (item->childCount() > 0) state |= kStateExpandedOnce;
  auto* own = static_cast<cVkTreeWidgetItem*>(item);
  std::unique_ptr<cVkObject> node(own->Node() != nullptr ? own->Node()->Clone() : nullptr);
  auto captured = std::make_unique<cVkTreeItem>(FromQString(item->text(0).left(kMaxLabel)), state, own->Image(),
                                                own->SelectedImage(), std::move(node));
  for (int i = 0; i < item->childCount(); ++i) captured->AddChild(CaptureItem(item->child(i)));
  return captured;
}

void cVkMultipleSelectSaveTree::SaveTree(std::u16string_view path) {
  if (QTreeWidgetItem* first = topLevelItem(0)) CaptureItem(first)->SaveToFile(path);
  // The nodes go now; the items keep no pointer to them.
  for (QTreeWidgetItemIterator it(this); *it != nullptr; ++it) static_cast<cVkTreeWidgetItem*>(*it)->DropNode();
}

// ---- what other parts of the console ask

bool cVkMultipleSelectSaveTree::IsVisibleInView(QTreeWidgetItem* item) const {
  for (QTreeWidgetItem* up = item->parent(); up != nullptr; up = up->parent()) {
    if (!up->isExpanded()) return false;
  }
  return !item->isHidden() && visualItemRect(item).intersects(viewport()->rect());
}

void cVkMultipleSelectSaveTree::SetComputerImage(std::u16string_view name, uint32_t image, uint32_t selectedImage) {
  const QString wanted = ToQString(name);
  for (QTreeWidgetItemIterator it(this); *it != nullptr; ++it) {
    auto* item = static_cast<cVkTreeWidgetItem*>(*it);
    if (!IsComputer(item) || item->text(0).compare(wanted, Qt::CaseInsensitive) != 0) continue;
    if (!IsVisibleInView(item)) continue;
    if (item->Image() != image || item->SelectedImage() != selectedImage) item->SetImages(image, selectedImage);
  }
}

QList<QTreeWidgetItem*> cVkMultipleSelectSaveTree::SelectedInTreeOrder() const {
  QList<QTreeWidgetItem*> selected;
  for (QTreeWidgetItemIterator it(const_cast<cVkMultipleSelectSaveTree*>(this)); *it != nullptr; ++it) {
    if ((*it)->isSelected()) selected.append(*it);
  }
  return selected;
}

bool cVkMultipleSelectSaveTree::HasSelectedComputer() const {
  for (QTreeWidgetItem* item : SelectedInTreeOrder()) {
    if (IsComputer(item)) return true;
  }
  return false;
}

void cVkMultipleSelectSaveTree::GetSelectedComputers(QStringList& names) const {
  for (QTreeWidgetItem* item : SelectedInTreeOrder()) {
    if (IsComputer(item)) names.append(item->text(0));
  }
}

QTreeWidgetItem* cVkMultipleSelectSaveTree::RecentItem() const {
  QTreeWidgetItem* first = topLevelItem(0);
  for (int i = 0; first != nullptr && i < first->childCount(); ++i) {
    if (dynamic_cast<cVkNetWorkTreeNodeRecent*>(NodeOf(first->child(i))) != nullptr) return first->child(i);
  }
  return nullptr;
}

void cVkMultipleSelectSaveTree::AddRecentComputer(std::u16string_view name) {
  QTreeWidgetItem* recent = RecentItem();
  if (recent == nullptr) return;
  static_cast<cVkNetWorkTreeNodeRecent*>(NodeOf(recent))->AddRecent(name, *this, recent);
}

void cVkMultipleSelectSaveTree::AddRecentComputers(const QStringList& names) {
  for (const QString& name : names) AddRecentComputer(FromQString(name));
}

// ---- expanding and tooltips

void cVkMultipleSelectSaveTree::Expanding(QTreeWidgetItem* item) {
  if (restoring_ || item->childCount() > 0) return;
  if (!item->isSelected()) SelectOnly(item);
  CollectWithProgress(item);
  suppressDrag_ = true;
  if (!Alive(item)) return;
  if (IsComputer(item)) {
    // A browsed or recent computer adds its own name; a hand-made one its label.
    auto* service = dynamic_cast<cVkNetWorkTreeNodeService*>(NodeOf(item));
    AddRecentComputer(service != nullptr ? service->ComputerName() : FromQString(item->text(0)));
  }
  if (Alive(item) && item->childCount() == 0) {
    item->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicator);
    item->setExpanded(false);
  }
}

bool cVkMultipleSelectSaveTree::viewportEvent(QEvent* event) {
  if (event->type() != QEvent::ToolTip) return QTreeWidget::viewportEvent(event);
  auto* help = static_cast<QHelpEvent*>(event);
  const QString text = ToolTipAt(help->pos());
  if (text.isEmpty())
    QToolTip::hideText();
  else
    QToolTip::showText(help->globalPos(), text, viewport());
  return true;
}

QString cVkMultipleSelectSaveTree::ToolTipAt(const QPoint& position) const {
  QTreeWidgetItem* item = itemAt(position);
  cVkNetWorkTreeNode* node = item != nullptr && visualItemRect(item).contains(position) ? NodeOf(item) : nullptr;
  return node != nullptr ? ToQString(node->GetToolTip()).left(kToolTipLength) : QString();
}
