// The browse tree's context menu and its own commands: New, Rename, Delete,
// Refresh/Clear, and collecting an item's children behind the progress
// dialog.
#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMessageBox>

#include "console/browse/collect_job.h"
#include "console/browse/collect_progress_dialog.h"
#include "console/browse/directory_logon_dialog.h"
#include "console/browse/item_name_dialog.h"
#include "console/browse/multiple_select_save_tree.h"
#include "console/browse/tree_widget_item.h"
#include "console/ui/error_dialog.h"
#include "console/ui/qt_text.h"

namespace {

constexpr int32_t kServiceMissing = 1060;
constexpr auto kFirstWait = std::chrono::milliseconds(500);

// Commands the tree runs itself; the others go to the main window.
bool IsOwnCommand(uint32_t command) {
  switch (command) {
    case kVkTreeRefresh:
    case kVkTreeNewFolder:
    case kVkTreeNewDomain:
    case kVkTreeNewComputer:
    case kVkTreeDelete:
    case kVkTreeRename:
      return true;
    default:
      return false;
  }
}

// Items of `items` (in tree order) that lie inside another item of the list.
bool InsideAnother(const QTreeWidgetItem* item, const QList<QTreeWidgetItem*>& items) {
  for (const QTreeWidgetItem* up = item->parent(); up != nullptr; up = up->parent()) {
    if (items.contains(const_cast<QTreeWidgetItem*>(up))) return true;
  }
  return false;
}

}  // namespace

QAction* cVkMultipleSelectSaveTree::MenuAction(uint32_t command) const {
  auto it = actions_.find(command);
  return it == actions_.end() ? nullptr : it->second;
}

void cVkMultipleSelectSaveTree::BuildMenus() {
  if (menu_ != nullptr) return;
  menu_ = new QMenu(this);
  auto add = [this](QMenu* menu, uint32_t command, const char* text) {
    QAction* action = menu->addAction(QString::fromLatin1(text));
    actions_[command] = action;
    connect(action, &QAction::triggered, this, [this, command] { RunCommand(command); });
  };
  add(menu_, kVkTreeShowRemoteDesktop, "Show Remote Desktop");
  remoteMenu_ = menu_->addMenu(QStringLiteral("Remote Computer"));
  add(remoteMenu_, kVkTreeLogOff, "Log off");
  add(remoteMenu_, kVkTreeReboot, "Reboot");
  add(remoteMenu_, kVkTreeShutdown, "Shutdown");
  menu_->addSeparator();
  add(menu_, kVkTreeRefresh, "Refresh");
  menu_->addSeparator();
  add(menu_, kVkTreeNewFolder, "New Folder...");
  add(menu_, kVkTreeNewDomain, "New Domain...");
  add(menu_, kVkTreeNewComputer, "New Computer...");
  add(menu_, kVkTreeDelete, "Delete");
  add(menu_, kVkTreeRename, "Rename...");
  menu_->addSeparator();
  serviceMenu_ = menu_->addMenu(QStringLiteral("Service Management"));
  add(serviceMenu_, kVkTreeInstallRemove, "Install/Remove...");
  add(serviceMenu_, kVkTreeConfiguration, "Configuration...");
  add(serviceMenu_, kVkTreeSecurity, "Security Settings...");
  serviceMenu_->addSeparator();
  add(serviceMenu_, kVkTreeStart, "Start");
  add(serviceMenu_, kVkTreeStop, "Stop");
}

QMenu* cVkMultipleSelectSaveTree::PrepareContextMenu(const QPoint& position) {
  if (menu_ == nullptr) return nullptr;
  const uint32_t serviceCommands[] = {kVkTreeInstallRemove, kVkTreeConfiguration, kVkTreeSecurity, kVkTreeStart,
                                      kVkTreeStop};
  QTreeWidgetItem* item = itemAt(position);
  if (item == nullptr) {
    MenuAction(kVkTreeRefresh)->setEnabled(true);
    MenuAction(kVkTreeDelete)->setEnabled(false);
    MenuAction(kVkTreeRename)->setEnabled(false);
    for (uint32_t command : serviceCommands) MenuAction(command)->setEnabled(false);
    return menu_;
  }
  if (!item->isSelected()) SelectOnly(item);
  cVkNetWorkTreeNode* node = NodeOf(item);
  MenuAction(kVkTreeDelete)->setEnabled(node != nullptr && node->deletable);
  MenuAction(kVkTreeRename)->setEnabled(node != nullptr && node->renamable);
  QAction* refresh = MenuAction(kVkTreeRefresh);
  refresh->setText(ImageOf(item) == kVkImageRecent ? QStringLiteral("Clear") : QStringLiteral("Refresh"));
  refresh->setEnabled(true);
  const bool computer = IsComputer(item);
  for (uint32_t command : serviceCommands) MenuAction(command)->setEnabled(computer);
  serviceMenu_->setEnabled(computer);
  remoteMenu_->setEnabled(computer && viewerOpen_ && viewerOpen_(item->text(0)));
  return menu_;
}

void cVkMultipleSelectSaveTree::contextMenuEvent(QContextMenuEvent* event) {
  const QPoint position = viewport()->mapFromGlobal(event->globalPos());
  if (QMenu* menu = PrepareContextMenu(position)) menu->popup(event->globalPos());
}

void cVkMultipleSelectSaveTree::RunCommand(uint32_t command) {
  if (!IsOwnCommand(command)) {
    emit commandRequested(command);
    return;
  }
  switch (command) {
    case kVkTreeRefresh:
      RefreshSelected();
      break;
    case kVkTreeDelete:
      DeleteSelected();
      break;
    case kVkTreeRename:
      RenameSelected();
      break;
    default:
      NewItem(command);
      break;
  }
}

void cVkMultipleSelectSaveTree::NewItem(uint32_t command) {
  const QList<QTreeWidgetItem*> selected = SelectedInTreeOrder();
  QTreeWidgetItem* parent = nullptr;
  if (!selected.isEmpty() && NodeOf(selected.first()) != nullptr && NodeOf(selected.first())->container)
    parent = selected.first();
  const std::optional<QString> name = cVkItemNameDialog::Ask(this, QString());
  if (!name || (parent != nullptr && !Alive(parent))) return;
  const std::u16string label = FromQString(*name);
  if (command == kVkTreeNewFolder) {
    InsertItem(label, kVkImageFolder, kVkImageFolder, 0, std::make_unique<cVkNetWorkTreeNode>(true, true, true), parent,
               true);
  } else if (command == kVkTreeNewDomain) {
    auto node = std::make_unique<cVkNetWorkTreeNodeNT4Computers>();
    node->domain.name = label;
    node->renamable = node->deletable = true;
    InsertItem(label, kVkImageDomain, kVkImageDomain, 0, std::move(node), parent, true);
  } else {
    InsertItem(label, kVkImageComputer, kVkImageComputer, 0, std::make_unique<cVkNetWorkTreeNode>(true, true, false),
               parent, true);
  }
}

void cVkMultipleSelectSaveTree::RenameSelected() {
  // Nothing selected: nothing to rename.
  const QList<QTreeWidgetItem*> selected = SelectedInTreeOrder();
  if (selected.isEmpty()) return;
  QTreeWidgetItem* item = selected.first();
  cVkNetWorkTreeNode* node = NodeOf(item);
  if (node == nullptr || !node->renamable) return;
  const std::optional<QString> name = cVkItemNameDialog::Ask(this, item->text(0));
  if (name && Alive(item)) item->setText(0, *name);
}

void cVkMultipleSelectSaveTree::DeleteChildren(QTreeWidgetItem* item) {
  // The children's items own their nodes: deleting them destroys the subtree's nodes.
  qDeleteAll(item->takeChildren());
}

void cVkMultipleSelectSaveTree::DeleteSelected() {
  // An item inside a deleted item goes with it and is not visited again.
  const QList<QTreeWidgetItem*> selected = SelectedInTreeOrder();
  QList<QTreeWidgetItem*> doomed;
  for (QTreeWidgetItem* item : selected) {
    cVkNetWorkTreeNode* node = NodeOf(item);
    if (node != nullptr && node->deletable && !InsideAnother(item, doomed)) doomed.append(item);
  }
  for (QTreeWidgetItem* item : doomed) delete item;
}

void cVkMultipleSelectSaveTree::RefreshSelected() {
  // Refreshing an item renews its subtree: selected items inside it are not
  // refreshed again (they are gone).
  const QList<QTreeWidgetItem*> selected = SelectedInTreeOrder();
  QList<QTreeWidgetItem*> refreshed;
  for (QTreeWidgetItem* item : selected) {
    if (ImageOf(item) == kVkImageFolder || InsideAnother(item, refreshed)) continue;
    refreshed.append(item);
  }
  for (QTreeWidgetItem* item : refreshed) {
    if (!Alive(item)) continue;
    DeleteChildren(item);
    CollectWithProgress(item);
    // The agents' states of the item and of what it holds now are asked again.
    if (!Alive(item)) continue;
    QList<QTreeWidgetItem*> asked{item};
    for (int i = 0; i < item->childCount(); ++i) asked.append(item->child(i));
    RequestStates(asked);
  }
  suppressDrag_ = true;
}

void cVkMultipleSelectSaveTree::CollectWithProgress(QTreeWidgetItem* item) {
  cVkNetWorkTreeNode* node = NodeOf(item);
  if (node == nullptr) return;
  cVkCollectJob::Result result;
  if (!RunCollection(*node, item->text(0), result)) return;
  // A directory that wants an account: the operator is asked once, then
  // the collection runs again with it.
  if (result.code != 0 && VkAskDirectoryAccount(this, *node, result.code)) {
    if (!Alive(item) || (node = NodeOf(item)) == nullptr) return;
    if (!RunCollection(*node, item->text(0), result)) return;
  }
  if (result.code != 0) {
    ReportCollectFailure(result.code, *result.log);
    return;
  }
  // The item (or its node) may have gone while the dialog ran.
  if (!Alive(item) || (node = NodeOf(item)) == nullptr) return;
  node->Populate(*result.collection, *this, item);
  ScheduleStates();
}

bool cVkMultipleSelectSaveTree::RunCollection(const cVkNetWorkTreeNode& node, const QString& label,
                                              cVkCollectJob::Result& result) {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  int32_t rc = 0;
  cVkCollectJob* job = cVkCollectJob::Start(node, &rc);
  if (job == nullptr) {
    QApplication::restoreOverrideCursor();
    cOrkLog log;
    log.SetMemLogMask(LOG_ALL);
    log.LogMsg(LOG_ERROR, rc, u"An error has occurred while starting a thread. Errorcode %ld.", rc);
    ReportCollectFailure(rc, log);
    return false;
  }
  if (!job->WaitDone(kFirstWait)) {
    QApplication::restoreOverrideCursor();
    cVkCollectProgressDialog progress(
        this, label, [job] { return job->IsDone(); },
        [job] {
          const auto ms =
              std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - job->Started());
          return static_cast<double>(ms.count()) * 0.001;
        });
    progress.exec();
    QApplication::setOverrideCursor(Qt::WaitCursor);
  }
  if (!job->IsDone()) {
    cVkCollectJob::Abandon(job);
    QApplication::restoreOverrideCursor();
    return false;
  }
  result = cVkCollectJob::Finish(job);
  QApplication::restoreOverrideCursor();
  return true;
}

void cVkMultipleSelectSaveTree::ReportCollectFailure(int32_t code, cOrkLog& log) {
  const QString message =
      QStringLiteral("An error has occured while retrieving the information for the selected tree item.");
  if (code == kServiceMissing) {
    QMessageBox question(QMessageBox::Warning, QStringLiteral("ViewKeeper"),
                         QStringLiteral("To perform the selected action, a service needs to be installed on the "
                                        "target computer.  Do you want to install a service?"),
                         QMessageBox::Yes | QMessageBox::No, this);
    const int answer = question.exec();
    if (answer == QMessageBox::Yes) {
      QMetaObject::invokeMethod(
          this, [this] { emit installServiceRequested(); }, Qt::QueuedConnection);
      return;
    }
  }
  cVkErrorDialog::Show(this, message, log, code);
}
