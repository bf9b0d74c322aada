// "Browse network": the picker's modal dialog around its tree. OK takes the
// picked objects from the selection; OK and Cancel both save the tree.
#pragma once

#include <QDialog>
#include <cstdint>
#include <string>
#include <vector>

#include "log/orklog.h"

class QLabel;
class QGroupBox;
class QPushButton;

namespace vk::picker {

class cVkMultipleSelectSaveTree;

struct PickedObject {
  uint32_t kind;  // VK_PICKED_GROUP, VK_PICKED_USER or VK_PICKED_COMPUTER
  std::u16string name;
};

// The picked objects of the tree's selection, in tree order.
std::vector<PickedObject> PickedFromSelection(cVkMultipleSelectSaveTree& tree);

class cVkBrowseNetworkDialog : public QDialog {
  Q_OBJECT

 public:
  cVkBrowseNetworkDialog(QWidget* parent, uint32_t icon, std::u16string treeFile);

  cVkMultipleSelectSaveTree* Tree() const { return tree_; }
  QPushButton* OkButton() const { return ok_; }
  QPushButton* CancelButton() const { return cancel_; }
  const std::vector<PickedObject>& Picked() const { return picked_; }
  // What happened while the tree was read (a damaged tree file).
  cOrkLog& StartLog() { return startLog_; }

  void done(int result) override;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void PlaceControls();

  std::u16string treeFile_;
  cOrkLog startLog_;
  QLabel* icon_;
  QLabel* text_;
  QGroupBox* group_;
  cVkMultipleSelectSaveTree* tree_;
  QPushButton* ok_;
  QPushButton* cancel_;
  std::vector<PickedObject> picked_;
};

}  // namespace vk::picker
