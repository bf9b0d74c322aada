#include "netpicker/browse_dialog.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QResizeEvent>

#include "netpicker/error_dialogs.h"
#include "netpicker/netpicker.h"
#include "netpicker/picker_images.h"
#include "netpicker/picker_tree.h"

namespace vk::picker {

namespace {

// The kind an item's image stands for; 0 for items that are not picked.
uint32_t KindOfImage(uint32_t image) {
  switch (image) {
    case kImageComputer:
      return VK_PICKED_COMPUTER;
    case kImageGroup:
    case kImageLocalGroup:
      return VK_PICKED_GROUP;
    case kImageUser:
      return VK_PICKED_USER;
    default:
      return 0;
  }
}

QIcon DialogIcon(uint32_t icon) {
  if (icon == VK_PICKER_ICON_NETWORK) return PickerIcon(kImageNetwork);
  if (icon == VK_PICKER_ICON_COMPUTERS) return PickerIcon(kImageComputer);
  return {};
}

}  // namespace

std::vector<PickedObject> PickedFromSelection(cVkMultipleSelectSaveTree& tree) {
  std::vector<PickedObject> picked;
  for (QTreeWidgetItem* item : tree.SelectedInTreeOrder()) {
    cVkNetWorkTreeNode* node = tree.NodeOf(item);
    if (node == nullptr) continue;
    std::u16string name = node->GetResultName(tree, item);
    uint32_t kind = KindOfImage(tree.ImageOf(item));
    if (!name.empty() && kind != 0) picked.push_back(PickedObject{kind, std::move(name)});
  }
  return picked;
}

cVkBrowseNetworkDialog::cVkBrowseNetworkDialog(QWidget* parent, uint32_t icon, std::u16string treeFile)
    : QDialog(parent), treeFile_(std::move(treeFile)) {
  startLog_.SetMemLogMask(LOG_ALL);
  setWindowTitle(QStringLiteral("Browse network"));
  setSizeGripEnabled(true);
  setMinimumSize(300, 250);
  const QIcon picture = DialogIcon(icon);
  if (!picture.isNull()) setWindowIcon(picture);
  icon_ = new QLabel(this);
  if (!picture.isNull()) icon_->setPixmap(picture.pixmap(32, 32));
  icon_->setGeometry(10, 10, 32, 32);
  text_ = new QLabel(QStringLiteral("Select one or more items from the tree and click on Ok to continue."), this);
  text_->setWordWrap(true);
  text_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  group_ = new QGroupBox(QStringLiteral("Browse Network"), this);
  tree_ = new cVkMultipleSelectSaveTree(this);
  ok_ = new QPushButton(QStringLiteral("OK"), this);
  cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
  ok_->setDefault(true);
  connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
  tree_->SetErrorHandler([this](const QString& message, cOrkLog& log, int32_t code) {
    cVkPickerErrorDialog error(this, message, log, code);
    error.exec();
  });
  tree_->LoadTree(treeFile_, startLog_);
  resize(480, 556);
  PlaceControls();
}

void cVkBrowseNetworkDialog::done(int result) {
  if (result == QDialog::Accepted) picked_ = PickedFromSelection(*tree_);
  tree_->SaveTree(treeFile_);
  QDialog::done(result);
}

void cVkBrowseNetworkDialog::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  PlaceControls();
}

void cVkBrowseNetworkDialog::PlaceControls() {
  const int w = width(), h = height();
  text_->setGeometry(45, 7, w - 60, 44);
  group_->setGeometry(6, 49, w - 10, h - 83);
  tree_->setGeometry(14, 65, w - 28, h - 107);
  tree_->raise();
  ok_->setGeometry(w - 163, h - 28, 75, 23);
  cancel_->setGeometry(w - 79, h - 28, 75, 23);
  update();
}

}  // namespace vk::picker
