// CMainFrame: the console's main window: the viewers in an MDI area, the
// toolbar, the status bar and the "Browse network" bar, and every command.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QStringList>
#include <map>
#include <memory>

#include "console/admin/agent_manager.h"
#include "console/core/connection_manager.h"

class CChildFrame;
class CChildView;
class cVkServiceCommands;
class cOrkLog;
class cVkMultipleSelectSaveTree;
class QAction;
class QDockWidget;
class QMdiArea;
class QToolBar;
class cVkConsoleQuestions;
class cVkCredentialConnector;

// What the main window needs of the application.
struct cVkConsoleState {
  cVkConnectionManager connections;
  cVkAgentManager agents;  // SM.dat
  // Answers the agent operations' questions; boxes open over the main window.
  cVkConsoleQuestions* questions = nullptr;
  // The agents' way to the computers, with the wizard's accounts.
  cVkCredentialConnector* connector = nullptr;
  std::u16string dataFolder;  // ends with "/"
  std::u16string programFolder;
  // Logon data given on the command line: used for the first viewer of
  // that computer instead of asking.
  std::u16string presetComputer;
  std::u16string presetUser, presetDomain, presetPassword;
  uint16_t presetUpdatePort = 0, presetInputPort = 0;
  cOrkLog* startupLog = nullptr;  // where loading the browse tree reports
};

class CMainFrame : public QMainWindow, public iVkViewerOpener {
  Q_OBJECT

 public:
  explicit CMainFrame(cVkConsoleState& state);
  ~CMainFrame() override;

  // Restores placement and bar state from "MainWnd"/"AppState" and shows the
  // window with the stored show state.
  void ShowStored();

  // The commands (menu, toolbar, accelerators).
  void ShowRemoteDesktop();
  void StartServices();
  void StopServices();
  // Closes every viewer of that computer (names compared ignoring case).
  void CloseViewersOf(const QString& computer);
  void OpenViewers(const QStringList& computers);
  void SetScaleMode(int32_t mode);
  void ToggleFullScreen();
  bool IsFullScreen() const { return fullScreen_; }
  void SendSpecial(uint32_t command);
  // "Install/Remove...", "Installation Wizard...", "Configuration..." and
  // "Security Settings..." for the chosen computers.
  void RunServiceCommand(uint32_t command);
  // The wizard at program start, when "ShowWizard" asks for it.
  void OfferWizardAtStart();
  cVkServiceCommands& Services() { return *services_; }
  void ShowHelp();

  // iVkViewerOpener
  bool RunLogon(cVkConnectionInfo& record) override;
  void OpenViewer(const cVkConnectionInfo& record) override;

  QMdiArea* MdiArea() const { return mdi_; }
  CChildView* ActiveView() const;
  QList<CChildFrame*> Viewers() const;
  QAction* Action(uint32_t command) const;
  QToolBar* ToolBar() const { return toolbar_; }
  QWidget* FullScreenBar() const { return fullScreenBar_; }
  QDockWidget* BrowseBar() const { return browse_; }
  cVkMultipleSelectSaveTree* BrowseTree() const { return tree_; }
  // The computers a command acts on: the tree's selected computers, else
  // the "Computername required" dialog.
  QStringList SelectComputers();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void CreateActions();
  void CreateMenus();
  void CreateToolBar();
  void CreateStatusBar();
  void CreateBrowseBar();
  QAction* AddAction(uint32_t command, const QString& text, const QString& tip);
  void UpdateCommandStates();
  void EnterFullScreen();
  void LeaveFullScreen();
  void SaveWindowState();
  void ViewerClosing(CChildFrame* frame);

  cVkConsoleState& state_;
  std::unique_ptr<cVkServiceCommands> services_;
  QMdiArea* mdi_;
  QToolBar* toolbar_ = nullptr;
  QDockWidget* browse_ = nullptr;
  cVkMultipleSelectSaveTree* tree_ = nullptr;
  QWidget* fullScreenBar_ = nullptr;
  std::map<uint32_t, QAction*> actions_;
  QList<QAction*> viewerActions_;
  QPointer<CChildView> grabbed_;
  bool fullScreen_ = false;
  bool closing_ = false;
  bool browseShownBeforeFullScreen_ = true;
  QRect normalBeforeFullScreen_;
  bool maximizedBeforeFullScreen_ = false;
  QPointer<CChildFrame> frameBeforeFullScreen_;
  bool frameWasMaximized_ = false;
};
