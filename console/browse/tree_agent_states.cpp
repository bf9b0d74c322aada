// The agents' states beside the computer items: asked in the background for
// the items in view, shown when they come back.
#include <QAbstractItemModel>
#include <QHeaderView>
#include <QScrollBar>
#include <QTimer>

#include "console/browse/multiple_select_save_tree.h"
#include "console/ui/qt_text.h"

void cVkMultipleSelectSaveTree::SetAgentStateSource(std::shared_ptr<iVkAgentStateSource> source, size_t parallel,
                                                    int32_t ownBuild) {
  states_.reset();
  ownBuild_ = ownBuild;
  if (!source) return;
  setColumnCount(2);
  header()->setStretchLastSection(true);
  header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  QPointer<cVkMultipleSelectSaveTree> self(this);
  states_ = std::make_unique<cVkAgentStateQueue>(std::move(source), parallel,
                                                 [self](const std::u16string& computer, const cVkAgentState& state) {
                                                   // A worker's thread: the answer goes to the window's thread.
                                                   QMetaObject::invokeMethod(
                                                       self.data(),
                                                       [self, computer, state] {
                                                         if (self) self->ShowAgentState(computer, state);
                                                       },
                                                       Qt::QueuedConnection);
                                                 });
  connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &cVkMultipleSelectSaveTree::ScheduleStates,
          Qt::UniqueConnection);
  connect(this, &QTreeWidget::itemExpanded, this, &cVkMultipleSelectSaveTree::ScheduleStates, Qt::UniqueConnection);
  // Items that come into an open branch (a computer added to Recent) are in view too.
  connect(model(), &QAbstractItemModel::rowsInserted, this, &cVkMultipleSelectSaveTree::ScheduleStates,
          Qt::UniqueConnection);
  ScheduleStates();
}

void cVkMultipleSelectSaveTree::ScheduleStates() {
  if (!states_ || statesScheduled_) return;
  statesScheduled_ = true;
  QTimer::singleShot(0, this, [this] {
    statesScheduled_ = false;
    RequestStatesInView();
  });
}

void cVkMultipleSelectSaveTree::RequestStatesInView() {
  QList<QTreeWidgetItem*> inView;
  for (QTreeWidgetItem* item : VisibleItems()) {
    if (IsVisibleInView(item)) inView.append(item);
  }
  RequestStates(inView);
}

void cVkMultipleSelectSaveTree::RequestStates(const QList<QTreeWidgetItem*>& items) {
  if (!states_) return;
  for (QTreeWidgetItem* item : items) {
    if (IsComputer(item)) states_->Request(FromQString(item->text(0).toLower()));
  }
}

void cVkMultipleSelectSaveTree::ShowAgentState(const std::u16string& computer, const cVkAgentState& state) {
  const QString name = ToQString(computer);
  const QString text = ToQString(state.Text(ownBuild_));
  for (QTreeWidgetItemIterator it(this); *it != nullptr; ++it) {
    if (IsComputer(*it) && (*it)->text(0).compare(name, Qt::CaseInsensitive) == 0) (*it)->setText(kStateColumn, text);
  }
}
