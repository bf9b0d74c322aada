// Where the desktop has no notification area: a small always-on-top window
// in the screen's lower right corner that shows the icon, the tooltip and,
// for a while, each balloon message. Right click opens the menu, a double
// click the About window.
#pragma once

#include <QWidget>

#include <functional>

class QLabel;
class QMenu;
class QTimer;

class cVkNotificationWindow : public QWidget {
 public:
  cVkNotificationWindow(QMenu* menu, std::function<void()> openAbout);

  void SetIcon(const QIcon& icon);
  void SetTip(const QString& tip);
  // Shows title and text instead of the tooltip for timeoutMs.
  void ShowBalloon(const QString& title, const QString& text, int timeoutMs);
  QString ShownText() const;

 protected:
  void contextMenuEvent(QContextMenuEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  void ShowTip();
  void PlaceInCorner();

  QMenu* menu_;
  std::function<void()> openAbout_;
  QLabel* icon_;
  QLabel* title_;
  QLabel* text_;
  QTimer* balloonTimer_;
  QString tip_;
};
