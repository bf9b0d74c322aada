// The tray's widgets, on the GUI thread: the icon in the notification area
// (or, where the desktop has none, a small always-on-top window showing the
// same), its menu, the consent question and the About window.
#pragma once

#include <QIcon>
#include <QMessageBox>
#include <QObject>
#include <QPointer>

#include <memory>

#include "agent/tray/tray_gui_events.h"

class QAction;
class QMenu;
class QSystemTrayIcon;
class QTimer;
class cVkAboutWindow;
class cVkNotificationWindow;

class cVkTrayGui : public QObject {
 public:
  explicit cVkTrayGui(cVkTrayGuiEvents& events);
  ~cVkTrayGui() override;

  void Apply(const cVkTrayState& state);
  void Ask(uint64_t id);
  void CloseQuestion(uint64_t id);
  void OpenAbout();

  // What is on the display now.
  bool UsesTrayIcon() const;
  QSystemTrayIcon* TrayIcon() const { return trayIcon_.get(); }
  cVkNotificationWindow* Window() const { return window_.get(); }
  QMessageBox* QuestionBox() const { return question_; }
  cVkAboutWindow* About() const { return about_.get(); }
  QMenu* Menu() const { return menu_.get(); }
  QAction* AllowAction() const { return allowAction_; }

 private:
  void ShowOnTray(const cVkTrayState& state);
  void ShowInWindow(const cVkTrayState& state);
  void HideAll();
  void UpdateMenu(const cVkTrayState& state);

  cVkTrayGuiEvents& events_;
  QIcon icons_[3];  // question, disallowed, allowed
  std::unique_ptr<QMenu> menu_;
  QAction* allowAction_ = nullptr;
  QAction* aboutAction_ = nullptr;
  std::unique_ptr<QSystemTrayIcon> trayIcon_;
  std::unique_ptr<cVkNotificationWindow> window_;
  std::unique_ptr<cVkAboutWindow> about_;
  QPointer<QMessageBox> question_;
  uint64_t questionId_ = 0;
  QTimer* refreshTimer_ = nullptr;
  uint32_t shownState_ = TRAY_NO_ICON;
};
