#include "console/ui/main_frame.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDockWidget>
#include <QFileInfo>
#include <QLabel>
#include <QMdiArea>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>

#include "console/browse/multiple_select_save_tree.h"
#include "console/core/input_rules.h"
#include "console/core/view_geometry.h"
#include "console/ui/child_frame.h"
#include "console/ui/child_view.h"
#include "console/ui/computer_name_dialog.h"
#include "console/ui/config/deployment_wizard.h"
#include "console/ui/config/service_commands.h"
#include "console/ui/console_questions.h"
#include "console/ui/logon_dialog.h"
#include "console/ui/qt_text.h"

namespace {

constexpr uint32_t ID_FILE_NEW = 57600;  // "Show Remote Desktop"
constexpr uint32_t ID_FILE_CLOSE = 57602;
constexpr uint32_t ID_APP_EXIT = 57665;
constexpr uint32_t ID_HELP_FINDER = 57667;
constexpr uint32_t ID_VIEW_TOOLBAR = 59392;
constexpr uint32_t ID_VIEW_STATUS_BAR = 59393;
constexpr uint32_t ID_BROWSE_NETWORK = 32771;
constexpr uint32_t ID_INSTALL_REMOVE = 32772;
constexpr uint32_t ID_CONFIGURATION = 32773;
constexpr uint32_t ID_START = 32774;
constexpr uint32_t ID_STOP = 32775;
constexpr uint32_t ID_SECURITY = 32776;
constexpr uint32_t ID_WIZARD = 32815;
constexpr uint32_t ID_FIT_SCREEN = 32816;
constexpr uint32_t ID_FULL_SCREEN = 32817;
constexpr uint32_t ID_SCALE_FIRST = 32831;  // Half Tone .. Disabled
constexpr uint32_t ID_COPY_FROM = 32836;
constexpr uint32_t ID_PASTE_TO = 32837;
constexpr uint32_t ID_WINDOW_CASCADE = 57650;
constexpr uint32_t ID_WINDOW_TILE = 57651;
constexpr uint32_t ID_WINDOW_ARRANGE = 57649;

struct ScaleCommand {
  uint32_t command;
  const char* text;
  int32_t mode;
};
constexpr ScaleCommand kScaleCommands[] = {
    {32831, "Half Tone", kHalfTone},          {32832, "Color on Color", kColorOnColor},
    {32833, "Black on White", kBlackOnWhite}, {32834, "White on Black", kWhiteOnBlack},
    {32835, "Disabled", kScaleDisabled},
};

}  // namespace

CMainFrame::CMainFrame(cVkConsoleState& state)
    : state_(state),
      services_(std::make_unique<cVkServiceCommands>(this, state.programFolder, state.agents, *state.connector,
                                                     *state.questions)) {
  services_->SetViewerOpener(
      [this](const std::u16string& computer, const std::u16string& user, const std::u16string& password) {
        if (user.empty())
          state_.connections.Open(*this, computer);
        else
          state_.connections.Open(*this, computer, user, password, u"");
      });
  services_->SetHelp([this] { ShowHelp(); });
  setWindowTitle(QStringLiteral("DeskConsole - ViewKeeper"));
  mdi_ = new QMdiArea(this);
  mdi_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  mdi_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setCentralWidget(mdi_);
  setDockOptions(QMainWindow::AnimatedDocks | QMainWindow::AllowTabbedDocks);
  CreateActions();
  CreateMenus();
  CreateToolBar();
  CreateStatusBar();
  CreateBrowseBar();
  connect(mdi_, &QMdiArea::subWindowActivated, this, [this] { UpdateCommandStates(); });
  UpdateCommandStates();
  if (state_.questions != nullptr) state_.questions->SetOwner(this);
}

CMainFrame::~CMainFrame() {
  // The windows below go while this object is half gone: no more updates.
  closing_ = true;
  mdi_->disconnect();
  browse_->disconnect();
  toolbar_->disconnect();
  for (CChildFrame* frame : Viewers()) disconnect(frame->View(), nullptr, this, nullptr);
}

QAction* CMainFrame::AddAction(uint32_t command, const QString& text, const QString& tip) {
  auto* action = new QAction(text, this);
  action->setStatusTip(tip);
  action->setData(command);
  actions_[command] = action;
  return action;
}

QAction* CMainFrame::Action(uint32_t command) const {
  auto it = actions_.find(command);
  return it == actions_.end() ? nullptr : it->second;
}

void CMainFrame::CreateActions() {
  QStyle* s = style();
  AddAction(ID_FILE_NEW, QStringLiteral("Show Remote Desktop"),
            QStringLiteral("Opens a connection to the remote desktop."))
      ->setIcon(s->standardIcon(QStyle::SP_ComputerIcon));
  connect(Action(ID_FILE_NEW), &QAction::triggered, this, &CMainFrame::ShowRemoteDesktop);
  AddAction(ID_FILE_CLOSE, QStringLiteral("&Close"), QStringLiteral("Closes the remote desktop."));
  connect(Action(ID_FILE_CLOSE), &QAction::triggered, this, [this] {
    if (QMdiSubWindow* active = mdi_->activeSubWindow()) active->close();
  });
  AddAction(ID_APP_EXIT, QStringLiteral("E&xit"), QStringLiteral("Quits the application."));
  connect(Action(ID_APP_EXIT), &QAction::triggered, this, &QWidget::close);

  struct ServiceCommand {
    uint32_t command;
    const char* text;
    const char* tip;
  };
  const ServiceCommand service[] = {
      {ID_INSTALL_REMOVE, "Install/Remove...", "Install, upgrade or delete  ViewKeeper services"},
      {ID_WIZARD, "Installation Wizard...", "Opens the ViewKeeper service installation wizard."},
      {ID_CONFIGURATION, "Configuration...", "Configures the remote ViewKeeper service"},
      {ID_SECURITY, "Security Settings...", "Configure the ViewKeeper service security"},
  };
  for (const ServiceCommand& item : service) {
    const uint32_t command = item.command;
    connect(AddAction(command, QString::fromLatin1(item.text), QString::fromLatin1(item.tip)), &QAction::triggered,
            this, [this, command] { RunServiceCommand(command); });
  }

  connect(AddAction(ID_START, QStringLiteral("Start"), QStringLiteral("Starts an ViewKeeper service.")),
          &QAction::triggered, this, &CMainFrame::StartServices);
  connect(AddAction(ID_STOP, QStringLiteral("Stop"), QStringLiteral("Stops an ViewKeeper service.")),
          &QAction::triggered, this, &CMainFrame::StopServices);

  QAction* browse = AddAction(ID_BROWSE_NETWORK, QStringLiteral("&Browse Network"),
                              QStringLiteral("Shows or hides the browse network bar."));
  browse->setCheckable(true);
  AddAction(ID_VIEW_TOOLBAR, QStringLiteral("&Toolbar"), QStringLiteral("Shows or hides the toolbar."))
      ->setCheckable(true);
  AddAction(ID_VIEW_STATUS_BAR, QStringLiteral("&Status Bar"), QStringLiteral("Shows or hides the status bar."))
      ->setCheckable(true);
  AddAction(ID_HELP_FINDER, QStringLiteral("&Help Topics"), QStringLiteral("Lists Help topics."));
  connect(Action(ID_HELP_FINDER), &QAction::triggered, this, &CMainFrame::ShowHelp);

  struct Special {
    uint32_t command;
    const char* text;
    const char* tip;
    QKeySequence keys;
    QStyle::StandardPixmap icon;
  };
  const Special specials[] = {
      {ID_CTRL_ALT_DEL, "Ctrl-Alt-Delete", "Simulates the pressing of CTRL-ALT-DELETE on the remote desktop.",
       QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_D), QStyle::SP_DialogApplyButton},
      {ID_REFRESH, "Refresh", "Refreshes the current active remote desktop.",
       QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_F5), QStyle::SP_BrowserReload},
      {ID_TASK_MANAGER, "Ctrl-Shift-Esc", "Opens the taskmanager on the remote desktop.",
       QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_T), QStyle::SP_FileDialogDetailedView},
      {ID_LOG_OFF, "Log off", "Logs off the remote user.", QKeySequence(), QStyle::SP_DialogCancelButton},
      {ID_SHUTDOWN, "Shutdown", "Shutdown the remote computer.", QKeySequence(), QStyle::SP_BrowserStop},
      {ID_REBOOT, "Reboot", "Reboots the remote computer.", QKeySequence(), QStyle::SP_MediaSeekBackward},
      {ID_ALT_F4, "Alt-F4", "Simulates ALT-F4 on the remote desktop.", QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_F4),
       QStyle::SP_TitleBarCloseButton},
  };
  for (const Special& item : specials) {
    QAction* action = AddAction(item.command, QString::fromLatin1(item.text), QString::fromLatin1(item.tip));
    action->setShortcut(item.keys);
    action->setIcon(s->standardIcon(item.icon));
    const uint32_t command = item.command;
    connect(action, &QAction::triggered, this, [this, command] { SendSpecial(command); });
    viewerActions_.append(action);
  }

  auto* scaleGroup = new QActionGroup(this);
  for (const ScaleCommand& item : kScaleCommands) {
    QAction* action = AddAction(item.command, QString::fromLatin1(item.text), QString());
    action->setCheckable(true);
    scaleGroup->addAction(action);
    const int32_t mode = item.mode;
    connect(action, &QAction::triggered, this, [this, mode] { SetScaleMode(mode); });
  }
  Action(ID_SCALE_FIRST)->setIcon(s->standardIcon(QStyle::SP_FileDialogContentsView));
  Action(ID_SCALE_FIRST)->setStatusTip(QStringLiteral("Scales the remote desktop to fit into the window."));
  QAction* full =
      AddAction(ID_FULL_SCREEN, QStringLiteral("View Fullscreen"), QStringLiteral("Shows the desktop in fullscreen"));
  full->setCheckable(true);
  full->setShortcuts(
      {QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_Enter)});
  full->setShortcutContext(Qt::ApplicationShortcut);
  full->setIcon(s->standardIcon(QStyle::SP_TitleBarMaxButton));
  connect(full, &QAction::triggered, this, &CMainFrame::ToggleFullScreen);

  // Present in the menus, without behaviour.
  AddAction(ID_COPY_FROM, QStringLiteral("Copy From"), QString())
      ->setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_C));
  AddAction(ID_PASTE_TO, QStringLiteral("Paste To"), QString())
      ->setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_P));
  AddAction(ID_FIT_SCREEN, QStringLiteral("Fit to Screen"),
            QStringLiteral("Resizes the remote desktop to fit into the client screen."))
      ->setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_S));
  for (uint32_t inert : {ID_COPY_FROM, ID_PASTE_TO, ID_FIT_SCREEN}) Action(inert)->setEnabled(false);

  AddAction(ID_WINDOW_CASCADE, QStringLiteral("&Cascade"), QStringLiteral("Arranges windows so they overlap."));
  connect(Action(ID_WINDOW_CASCADE), &QAction::triggered, mdi_, &QMdiArea::cascadeSubWindows);
  AddAction(ID_WINDOW_TILE, QStringLiteral("&Tile"), QStringLiteral("Arranges windows as non-overlapping tiles."));
  connect(Action(ID_WINDOW_TILE), &QAction::triggered, mdi_, &QMdiArea::tileSubWindows);
  AddAction(ID_WINDOW_ARRANGE, QStringLiteral("&Arrange Icons"),
            QStringLiteral("Arranges icons at the bottom of the window."));
  connect(Action(ID_WINDOW_ARRANGE), &QAction::triggered, mdi_, &QMdiArea::cascadeSubWindows);
  for (QAction* a : {Action(ID_REFRESH), Action(ID_FULL_SCREEN), Action(ID_FILE_CLOSE)}) addAction(a);
  for (QAction* a : viewerActions_) addAction(a);
}

void CMainFrame::CreateMenus() {
  QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
  file->addAction(Action(ID_FILE_NEW));
  file->addAction(Action(ID_FILE_CLOSE));
  file->addSeparator();
  file->addAction(Action(ID_APP_EXIT));

  QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
  view->addAction(Action(ID_VIEW_TOOLBAR));
  view->addAction(Action(ID_VIEW_STATUS_BAR));
  view->addAction(Action(ID_BROWSE_NETWORK));
  view->addSeparator();
  QAction* refresh = Action(ID_REFRESH);
  view->addAction(refresh);
  QMenu* scale = view->addMenu(QStringLiteral("Scale to Fit"));
  for (const ScaleCommand& item : kScaleCommands) scale->addAction(Action(item.command));
  view->addAction(Action(ID_FULL_SCREEN));

  QMenu* service = menuBar()->addMenu(QStringLiteral("Service Management"));
  for (uint32_t command : {ID_INSTALL_REMOVE, ID_WIZARD, ID_CONFIGURATION, ID_SECURITY})
    service->addAction(Action(command));
  service->addSeparator();
  service->addAction(Action(ID_START));
  service->addAction(Action(ID_STOP));

  QMenu* remote = menuBar()->addMenu(QStringLiteral("Remote Computer"));
  remote->addAction(Action(ID_LOG_OFF));
  remote->addAction(Action(ID_REBOOT));
  remote->addAction(Action(ID_SHUTDOWN));
  QMenu* keys = remote->addMenu(QStringLiteral("Special Keys"));
  keys->addAction(Action(ID_CTRL_ALT_DEL));
  keys->addAction(Action(ID_TASK_MANAGER));
  keys->addAction(Action(ID_ALT_F4));
  remote->addSeparator();
  remote->addAction(Action(ID_COPY_FROM));
  remote->addAction(Action(ID_PASTE_TO));
  viewerActions_.append(remote->menuAction());

  QMenu* window = menuBar()->addMenu(QStringLiteral("&Window"));
  for (uint32_t command : {ID_WINDOW_CASCADE, ID_WINDOW_TILE, ID_WINDOW_ARRANGE}) window->addAction(Action(command));
  viewerActions_.append(window->menuAction());

  QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
  help->addAction(Action(ID_HELP_FINDER));
}

void CMainFrame::CreateToolBar() {
  toolbar_ = new QToolBar(QStringLiteral("Toolbar"), this);
  toolbar_->setObjectName(QStringLiteral("Toolbar"));
  toolbar_->setIconSize(QSize(16, 16));
  toolbar_->addAction(Action(ID_FILE_NEW));
  toolbar_->addSeparator();
  for (uint32_t command : {ID_REFRESH, ID_FULL_SCREEN, ID_SCALE_FIRST}) toolbar_->addAction(Action(command));
  toolbar_->addSeparator();
  for (uint32_t command : {ID_SHUTDOWN, ID_REBOOT, ID_LOG_OFF}) toolbar_->addAction(Action(command));
  toolbar_->addSeparator();
  for (uint32_t command : {ID_CTRL_ALT_DEL, ID_TASK_MANAGER, ID_ALT_F4}) toolbar_->addAction(Action(command));
  addToolBar(Qt::TopToolBarArea, toolbar_);
  QAction* toggle = Action(ID_VIEW_TOOLBAR);
  toggle->setChecked(true);
  connect(toggle, &QAction::toggled, toolbar_, &QWidget::setVisible);
  connect(toolbar_, &QToolBar::visibilityChanged, toggle, [this, toggle](bool shown) {
    if (!fullScreen_) toggle->setChecked(shown);
  });
}

void CMainFrame::CreateStatusBar() {
  statusBar()->showMessage(QStringLiteral("Ready"));
  for (const char* indicator : {"CAP", "NUM", "SCRL"}) {
    auto* label = new QLabel(QString::fromLatin1(indicator), statusBar());
    label->setEnabled(false);
    statusBar()->addPermanentWidget(label);
  }
  QAction* toggle = Action(ID_VIEW_STATUS_BAR);
  toggle->setChecked(true);
  connect(toggle, &QAction::toggled, statusBar(), &QWidget::setVisible);
}

void CMainFrame::CreateBrowseBar() {
  browse_ = new QDockWidget(QStringLiteral("Browse network"), this);
  browse_->setObjectName(QStringLiteral("Browse network"));
  tree_ = new cVkMultipleSelectSaveTree(browse_);
  tree_->setMinimumWidth(180);
  browse_->setWidget(tree_);
  cOrkLog treeLog;
  tree_->LoadTree(state_.dataFolder + u"UMBTS.dat", state_.startupLog != nullptr ? *state_.startupLog : treeLog);
  connect(tree_, &cVkMultipleSelectSaveTree::showRemoteDesktopRequested, this, &CMainFrame::ShowRemoteDesktop);
  connect(tree_, &cVkMultipleSelectSaveTree::installServiceRequested, this,
          [this] { Action(ID_INSTALL_REMOVE)->trigger(); });
  connect(tree_, &cVkMultipleSelectSaveTree::commandRequested, this, [this](uint32_t command) {
    if (QAction* action = Action(command == kVkTreeShowRemoteDesktop ? ID_FILE_NEW : command)) action->trigger();
  });
  tree_->SetViewerOpenQuery([this](const QString& computer) {
    for (CChildFrame* frame : Viewers()) {
      if (ToQString(frame->View()->ComputerName()).compare(computer, Qt::CaseInsensitive) == 0) return true;
    }
    return false;
  });
  addDockWidget(Qt::LeftDockWidgetArea, browse_);
  QAction* toggle = Action(ID_BROWSE_NETWORK);
  connect(toggle, &QAction::toggled, browse_, &QWidget::setVisible);
  connect(browse_, &QDockWidget::visibilityChanged, toggle, [this, toggle](bool) {
    if (!closing_ && !fullScreen_) toggle->setChecked(!browse_->isHidden());
  });
}

void CMainFrame::ShowStored() {
  QSettings settings;
  settings.beginGroup(QStringLiteral("MainWnd"));
  const int showCmd = settings.value(QStringLiteral("showCmd"), 3).toInt();
  const QRect normal(QPoint(settings.value(QStringLiteral("rcNormalPositionLeft"), 0).toInt(),
                            settings.value(QStringLiteral("rcNormalPositionTop"), 0).toInt()),
                     QPoint(settings.value(QStringLiteral("rcNormalPositionRight"), 500).toInt() - 1,
                            settings.value(QStringLiteral("rcNormalPositionBottom"), 300).toInt() - 1));
  const bool browseShown = settings.value(QStringLiteral("Browse tree"), 1).toInt() == 1;
  settings.endGroup();
  setGeometry(normal);
  restoreState(settings.value(QStringLiteral("AppState/State")).toByteArray());
  browse_->setVisible(browseShown);
  Action(ID_BROWSE_NETWORK)->setChecked(browseShown);
  if (showCmd == 3) {
    // Without a window manager nothing maximises: the window takes the
    // screen's free area itself.
    if (QScreen* screen = QGuiApplication::primaryScreen()) setGeometry(screen->availableGeometry());
    showMaximized();
  } else if (showCmd == 2 || showCmd == 6)
    showMinimized();
  else
    show();
}

void CMainFrame::SaveWindowState() {
  QSettings settings;
  settings.beginGroup(QStringLiteral("MainWnd"));
  const QRect normal = isMaximized() || isMinimized() || isFullScreen() ? normalGeometry() : geometry();
  settings.setValue(QStringLiteral("showCmd"), isMaximized() ? 3 : (isMinimized() ? 2 : 1));
  settings.setValue(QStringLiteral("flags"), 0);
  settings.setValue(QStringLiteral("rcNormalPositionLeft"), normal.left());
  settings.setValue(QStringLiteral("rcNormalPositionTop"), normal.top());
  settings.setValue(QStringLiteral("rcNormalPositionRight"), normal.left() + normal.width());
  settings.setValue(QStringLiteral("rcNormalPositionBottom"), normal.top() + normal.height());
  settings.setValue(QStringLiteral("Browse tree"), browse_->isHidden() ? 0 : 1);
  settings.endGroup();
  settings.setValue(QStringLiteral("AppState/State"), saveState());
}

void CMainFrame::closeEvent(QCloseEvent* event) {
  if (fullScreen_) LeaveFullScreen();
  SaveWindowState();
  tree_->SaveTree(state_.dataFolder + u"UMBTS.dat");
  closing_ = true;
  for (CChildFrame* frame : Viewers()) frame->close();
  const int32_t rc = state_.connections.Save(state_.dataFolder + u"Connections.dat");
  if (rc != 0) statusBar()->showMessage(QStringLiteral("The connection records could not be saved (%1).").arg(rc));
  event->accept();
}

QList<CChildFrame*> CMainFrame::Viewers() const {
  QList<CChildFrame*> frames;
  for (QMdiSubWindow* window : mdi_->subWindowList()) {
    if (auto* frame = qobject_cast<CChildFrame*>(window)) frames.append(frame);
  }
  return frames;
}

CChildView* CMainFrame::ActiveView() const {
  auto* frame = qobject_cast<CChildFrame*>(mdi_->activeSubWindow());
  if (frame == nullptr && mdi_->subWindowList().size() == 1)
    frame = qobject_cast<CChildFrame*>(mdi_->subWindowList().first());
  return frame ? frame->View() : nullptr;
}

void CMainFrame::UpdateCommandStates() {
  if (closing_) return;
  CChildView* view = ActiveView();
  const bool running = view != nullptr && view->IsRunning();
  for (QAction* action : viewerActions_) {
    if (action->menu() != nullptr)
      action->setVisible(!Viewers().isEmpty());
    else
      action->setEnabled(running);
  }
  Action(ID_FILE_CLOSE)->setEnabled(view != nullptr);
  Action(ID_FULL_SCREEN)->setEnabled(view != nullptr || fullScreen_);
  Action(ID_FULL_SCREEN)->setChecked(fullScreen_);
  for (const ScaleCommand& item : kScaleCommands) {
    QAction* action = Action(item.command);
    action->setEnabled(view != nullptr);
    action->setChecked(view != nullptr && view->ScaleMode() == item.mode);
  }
}

QStringList CMainFrame::SelectComputers() {
  QStringList computers;
  if (tree_->HasSelectedComputer()) tree_->GetSelectedComputers(computers);
  return computers.isEmpty() ? cVkComputerNameDialog::Ask(this) : computers;
}

void CMainFrame::OpenViewers(const QStringList& computers) {
  for (const QString& computer : computers) {
    const std::u16string name = FromQString(computer);
    if (!state_.presetComputer.empty() && VkSameComputerName(name, state_.presetComputer)) {
      state_.connections.Open(*this, name, state_.presetUser, state_.presetPassword, state_.presetDomain);
      vk::WipeText(state_.presetPassword);
      state_.presetComputer.clear();
      continue;
    }
    state_.connections.Open(*this, name);
  }
}

bool CMainFrame::RunLogon(cVkConnectionInfo& record) {
  const bool preset = !state_.presetComputer.empty() && VkSameComputerName(record.computerName, state_.presetComputer);
  if (preset) {
    if (state_.presetUpdatePort != 0) record.updatePort = state_.presetUpdatePort;
    if (state_.presetInputPort != 0) record.inputPort = state_.presetInputPort;
  }
  cVkLogonDialog dialog(this, record);
  if (preset && !state_.presetPassword.empty()) {
    // Everything was given: the dialog closes by itself once the address is known.
    connect(&dialog, &cVkLogonDialog::resolutionDone, &dialog, [&dialog](bool ok) {
      if (ok) dialog.accept();
    });
  }
  return dialog.exec() == QDialog::Accepted;
}

void CMainFrame::OpenViewer(const cVkConnectionInfo& record) {
  auto* frame = new CChildFrame(mdi_);
  mdi_->addSubWindow(frame);
  frame->setWindowTitle(ToQString(vk::Format(u"Overview for computer: %s", record.computerName)));
  frame->resize(820, 640);
  CChildView* view = frame->View();
  connect(frame, &CChildFrame::closing, this, &CMainFrame::ViewerClosing);
  connect(frame, &QObject::destroyed, this, [this] {
    QMetaObject::invokeMethod(
        this, [this] { UpdateCommandStates(); }, Qt::QueuedConnection);
  });
  connect(view, &CChildView::treeStateChanged, this, [this](const QString& computer, int image) {
    UpdateCommandStates();
    tree_->SetComputerImage(FromQString(computer), static_cast<uint32_t>(image), static_cast<uint32_t>(image));
    if (image == static_cast<int>(kStateWaiting))
      statusBar()->showMessage(QStringLiteral("Connected to %1").arg(computer), 3000);
  });
  connect(view, &CChildView::sessionFailed, this, &CMainFrame::UpdateCommandStates);
  connect(view, &CChildView::leaveFullScreenRequested, this, [this] {
    if (fullScreen_) ToggleFullScreen();
  });
  frame->show();
  frame->ApplyPlacement(record.placement);
  frame->SetScaled(record.scaleMode != kScaleDisabled);
  view->setFocus();
  view->OpenConnection(record);
  UpdateCommandStates();
}

void CMainFrame::ViewerClosing(CChildFrame* frame) {
  CChildView* view = frame->View();
  state_.connections.UpdatePlacement(view->ComputerName(), frame->Placement(), view->ScaleMode());
  if (grabbed_ == view) {
    view->SetKeyboardGrab(false);
    grabbed_ = nullptr;
  }
}

void CMainFrame::SetScaleMode(int32_t mode) {
  auto* frame = qobject_cast<CChildFrame*>(mdi_->activeSubWindow());
  CChildView* view = ActiveView();
  if (view == nullptr) return;
  if (frame != nullptr) frame->SetScaled(mode != kScaleDisabled);
  view->SetScaleMode(mode);
  UpdateCommandStates();
}

void CMainFrame::SendSpecial(uint32_t command) {
  if (CChildView* view = ActiveView()) view->SendSpecialCommand(command);
}

void CMainFrame::ToggleFullScreen() {
  if (fullScreen_)
    LeaveFullScreen();
  else
    EnterFullScreen();
  UpdateCommandStates();
}

void CMainFrame::EnterFullScreen() {
  CChildView* view = ActiveView();
  if (view == nullptr) return;
  fullScreen_ = true;
  normalBeforeFullScreen_ = isMaximized() ? normalGeometry() : geometry();
  maximizedBeforeFullScreen_ = isMaximized();
  statusBar()->hide();
  toolbar_->hide();
  // The picture takes the whole screen: the menu and the browse bar move
  // out of the way as a window frame's would.
  browseShownBeforeFullScreen_ = !browse_->isHidden();
  browse_->hide();
  menuBar()->hide();
  frameBeforeFullScreen_ = qobject_cast<CChildFrame*>(mdi_->activeSubWindow());
  frameWasMaximized_ = frameBeforeFullScreen_ && frameBeforeFullScreen_->isMaximized();
  if (frameBeforeFullScreen_) frameBeforeFullScreen_->showMaximized();
  showFullScreen();
  // The toolbar floats in a window of its own while the picture takes the screen.
  fullScreenBar_ = new QWidget(this, Qt::Tool | Qt::WindowStaysOnTopHint);
  fullScreenBar_->setWindowTitle(QStringLiteral("ViewKeeper Full Screen"));
  auto* bar = new QToolBar(fullScreenBar_);
  bar->setIconSize(QSize(16, 16));
  bar->addActions(toolbar_->actions());
  auto* layout = new QVBoxLayout(fullScreenBar_);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(bar);
  fullScreenBar_->move(100, 100);
  fullScreenBar_->show();
  grabbed_ = view;
  view->SetKeyboardGrab(true);
}

void CMainFrame::LeaveFullScreen() {
  fullScreen_ = false;
  if (grabbed_) grabbed_->SetKeyboardGrab(false);
  grabbed_ = nullptr;
  if (fullScreenBar_ != nullptr) fullScreenBar_->deleteLater();
  fullScreenBar_ = nullptr;
  showNormal();
  if (frameBeforeFullScreen_ && !frameWasMaximized_) frameBeforeFullScreen_->showNormal();
  frameBeforeFullScreen_ = nullptr;
  if (maximizedBeforeFullScreen_) {
    if (QScreen* screen = QGuiApplication::primaryScreen()) setGeometry(screen->availableGeometry());
    showMaximized();
  } else {
    setGeometry(normalBeforeFullScreen_);
  }
  menuBar()->show();
  browse_->setVisible(browseShownBeforeFullScreen_);
  statusBar()->setVisible(Action(ID_VIEW_STATUS_BAR)->isChecked());
  toolbar_->setVisible(Action(ID_VIEW_TOOLBAR)->isChecked());
}

void CMainFrame::RunServiceCommand(uint32_t command) {
  const QStringList computers = SelectComputers();
  if (computers.isEmpty()) return;
  std::vector<std::u16string> names;
  for (const QString& computer : computers) names.push_back(FromQString(computer));
  if (command == ID_INSTALL_REMOVE) services_->ServiceSetup(computers);
  if (command == ID_WIZARD) services_->RunWizard(computers.first());
  if (command == ID_CONFIGURATION) services_->Configure(names.front());
  if (command == ID_SECURITY) services_->EditSecurity(names);
}

void CMainFrame::OfferWizardAtStart() {
  if (cVkDeploymentWizard::ShowAtStart()) services_->RunWizard(QString());
}

void CMainFrame::ShowHelp() {
  const QString manual = ToQString(state_.programFolder) + QStringLiteral("deskhelp.html");
  if (!QFileInfo::exists(manual) || !QDesktopServices::openUrl(QUrl::fromLocalFile(manual))) {
    QMessageBox::warning(this, QStringLiteral("ViewKeeper"),
                         QStringLiteral("The manual could not be opened: ") + manual);
  }
}
