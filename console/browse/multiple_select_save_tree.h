// cVkMultipleSelectSaveTree: the "Browse network" tree. Every item carries
// a node that collects its children on demand (in a worker thread, behind
// the progress dialog); several items can be selected (Ctrl and Shift
// clicks, Shift+Up/Down); items are copied by dragging; the first top-level
// item with its subtree is kept in UMBTS.dat. The computer commands of its
// context menu go to the main window.
#pragma once

#include <QPoint>
#include <QPointer>
#include <QStringList>
#include <QTreeWidget>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>

#include "console/browse/agent_state.h"
#include "console/browse/browse_tree.h"
#include "console/browse/collect_job.h"
#include "console/browse/tree_nodes.h"

class cOrkLog;
class cVkTreeItem;
class QLabel;
class QMenu;

// Command identifiers of the context menu.
inline constexpr uint32_t kVkTreeShowRemoteDesktop = 1044;
inline constexpr uint32_t kVkTreeLogOff = 32810;
inline constexpr uint32_t kVkTreeReboot = 32811;
inline constexpr uint32_t kVkTreeShutdown = 32812;
inline constexpr uint32_t kVkTreeRefresh = 1038;
inline constexpr uint32_t kVkTreeNewFolder = 1034;
inline constexpr uint32_t kVkTreeNewDomain = 1041;
inline constexpr uint32_t kVkTreeNewComputer = 1035;
inline constexpr uint32_t kVkTreeDelete = 1036;
inline constexpr uint32_t kVkTreeRename = 1037;
inline constexpr uint32_t kVkTreeInstallRemove = 32772;
inline constexpr uint32_t kVkTreeConfiguration = 32773;
inline constexpr uint32_t kVkTreeSecurity = 32776;
inline constexpr uint32_t kVkTreeStart = 32774;
inline constexpr uint32_t kVkTreeStop = 32775;

class cVkMultipleSelectSaveTree : public QTreeWidget, public iVkBrowseTree {
  Q_OBJECT

 public:
  static constexpr int kTreeId = 132;
  static constexpr int kToolTipLength = 79;

  explicit cVkMultipleSelectSaveTree(QWidget* parent);
  ~cVkMultipleSelectSaveTree() override;

  // The saved tree, or the fresh one with the single "Network" item when
  // the file is missing or cannot be read (a damaged file is logged).
  void LoadTree(std::u16string_view path, cOrkLog& log);
  // Keeps the first top-level item and its subtree; then the nodes are gone
  // (the items stay until the window goes).
  void SaveTree(std::u16string_view path);

  void SetComputerImage(std::u16string_view name, uint32_t image, uint32_t selectedImage);
  bool HasSelectedComputer() const;
  void GetSelectedComputers(QStringList& names) const;
  void AddRecentComputer(std::u16string_view name);
  void AddRecentComputers(const QStringList& names);

  // The agents' states beside the computers in view, asked of `source` at
  // most `parallel` at a time, again for the refreshed items.
  void SetAgentStateSource(std::shared_ptr<iVkAgentStateSource> source, size_t parallel, int32_t ownBuild);
  void RequestStatesInView();
  static constexpr int kStateColumn = 1;

  // Whether a viewer of the computer is open (enables "Remote Computer").
  void SetViewerOpenQuery(std::function<bool(const QString&)> query) { viewerOpen_ = std::move(query); }

  // iVkBrowseTree
  VkTreeItemRef InsertItem(std::u16string_view label, uint32_t image, uint32_t selectedImage, uint32_t state,
                           std::unique_ptr<cVkNetWorkTreeNode> node, VkTreeItemRef parent, bool sort) override;
  void PostShowRemoteDesktop() override;
  bool DirectoryAvailable() const override;

  // The item's node (null when it has none); its images.
  static cVkNetWorkTreeNode* NodeOf(const QTreeWidgetItem* item);
  static uint32_t ImageOf(const QTreeWidgetItem* item);
  static bool IsComputer(const QTreeWidgetItem* item) { return VkIsComputerImage(ImageOf(item)); }

  // The commands (context menu and keys).
  void RunCommand(uint32_t command);
  void NewItem(uint32_t command);
  void RenameSelected();
  void DeleteSelected();
  void RefreshSelected();
  void CollectWithProgress(QTreeWidgetItem* item);
  // The selected items in tree order (depth-first, parents first).
  QList<QTreeWidgetItem*> SelectedInTreeOrder() const;
  void ClearSelectedBits();
  QTreeWidgetItem* Anchor() const { return anchor_; }

  // Drag and drop, as the mouse drives it (viewport coordinates).
  bool BeginDrag(const QPoint& position);
  void Drop(const QPoint& position);
  bool Dragging() const { return dragging_; }

  // The context menu as it would open at `position` (viewport
  // coordinates), with its enabling done; null until the tree is loaded.
  QMenu* PrepareContextMenu(const QPoint& position);
  QMenu* ContextMenu() const { return menu_; }
  QAction* MenuAction(uint32_t command) const;
  // The tooltip over the label at `position` (viewport coordinates).
  QString ToolTipAt(const QPoint& position) const;

 signals:
  // Posted to the main window.
  void showRemoteDesktopRequested();
  void installServiceRequested();
  // A computer command of the context menu, for the main window to run.
  void commandRequested(uint32_t command);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  bool viewportEvent(QEvent* event) override;

 private:
  friend class cVkTreeWidgetItem;
  void BuildMenus();
  void Expanding(QTreeWidgetItem* item);
  void CollectChildless(QTreeWidgetItem* item);
  void ReportCollectFailure(int32_t code, cOrkLog& log);
  // Collects the children of a clone of `node` in a worker, behind the
  // progress dialog: false when there is nothing to show (cancelled, or a
  // thread that did not start, already reported).
  bool RunCollection(const cVkNetWorkTreeNode& node, const QString& label, cVkCollectJob::Result& result);
  void SelectOnly(QTreeWidgetItem* item);
  void ShiftSelect(QTreeWidgetItem* item);
  void ShiftMove(int key);
  QList<QTreeWidgetItem*> VisibleItems() const;
  bool IsVisibleInView(QTreeWidgetItem* item) const;
  void DeleteChildren(QTreeWidgetItem* item);
  void CopySubtree(QTreeWidgetItem* item, QTreeWidgetItem* parent);
  QTreeWidgetItem* RecentItem() const;
  void RestoreItem(const cVkTreeItem& saved, QTreeWidgetItem* parent);
  std::unique_ptr<cVkTreeItem> CaptureItem(QTreeWidgetItem* item) const;
  void DragTo(const QPoint& position);
  void EndDrag();
  bool Alive(QTreeWidgetItem* item) const { return live_.count(item) != 0; }
  void ScheduleStates();
  void RequestStates(const QList<QTreeWidgetItem*>& items);
  void ShowAgentState(const std::u16string& computer, const cVkAgentState& state);

  QMenu* menu_ = nullptr;
  QMenu* serviceMenu_ = nullptr;
  QMenu* remoteMenu_ = nullptr;
  std::map<uint32_t, QAction*> actions_;
  bool suppressDrag_ = false;
  bool cursorShown_ = true;
  bool dragging_ = false;
  bool restoring_ = false;
  QTreeWidgetItem* anchor_ = nullptr;
  QPointer<QLabel> dragImage_;
  QPoint pressPosition_;
  bool pressed_ = false;
  std::function<bool(const QString&)> viewerOpen_;
  std::unordered_set<QTreeWidgetItem*> live_;
  std::unique_ptr<cVkAgentStateQueue> states_;
  int32_t ownBuild_ = 0;
  bool statesScheduled_ = false;
};
