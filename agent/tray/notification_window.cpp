#include "agent/tray/notification_window.h"

#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

cVkNotificationWindow::cVkNotificationWindow(QMenu* menu, std::function<void()> openAbout)
    : QWidget(nullptr, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus),
      menu_(menu),
      openAbout_(std::move(openAbout)) {
  setAttribute(Qt::WA_ShowWithoutActivating);
  setWindowTitle(QStringLiteral("ViewKeeper"));
  setAutoFillBackground(true);
  QPalette colours = palette();
  colours.setColor(QPalette::Window, QColor(255, 255, 225));
  colours.setColor(QPalette::WindowText, Qt::black);
  setPalette(colours);
  icon_ = new QLabel(this);
  icon_->setFixedSize(32, 32);
  title_ = new QLabel(this);
  QFont bold = title_->font();
  bold.setBold(true);
  title_->setFont(bold);
  text_ = new QLabel(this);
  text_->setWordWrap(true);
  auto* texts = new QVBoxLayout;
  texts->addWidget(title_);
  texts->addWidget(text_);
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(8, 6, 8, 6);
  row->addWidget(icon_, 0, Qt::AlignTop);
  row->addLayout(texts, 1);
  setFixedWidth(380);
  balloonTimer_ = new QTimer(this);
  balloonTimer_->setSingleShot(true);
  connect(balloonTimer_, &QTimer::timeout, this, [this] { ShowTip(); });
  ShowTip();
}

void cVkNotificationWindow::SetIcon(const QIcon& icon) { icon_->setPixmap(icon.pixmap(32, 32)); }

void cVkNotificationWindow::SetTip(const QString& tip) {
  tip_ = tip;
  if (!balloonTimer_->isActive()) ShowTip();
}

void cVkNotificationWindow::ShowBalloon(const QString& title, const QString& text, int timeoutMs) {
  title_->setText(title);
  title_->setVisible(true);
  text_->setText(text);
  balloonTimer_->start(timeoutMs);
  PlaceInCorner();
}

QString cVkNotificationWindow::ShownText() const {
  return title_->isVisible() ? title_->text() + QStringLiteral("\n") + text_->text() : text_->text();
}

void cVkNotificationWindow::ShowTip() {
  title_->clear();
  title_->setVisible(false);
  text_->setText(tip_);
  PlaceInCorner();
}

void cVkNotificationWindow::PlaceInCorner() {
  // Wrapped text: the height follows from the fixed width.
  layout()->activate();
  int wanted = layout()->hasHeightForWidth() ? layout()->totalHeightForWidth(width()) : sizeHint().height();
  setFixedHeight(std::max(wanted, 44));
  QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return;
  QRect area = screen->availableGeometry();
  move(area.right() - width() - 8, area.bottom() - height() - 8);
}

void cVkNotificationWindow::contextMenuEvent(QContextMenuEvent* event) {
  if (menu_) menu_->popup(event->globalPos());
}

void cVkNotificationWindow::mouseDoubleClickEvent(QMouseEvent*) {
  if (openAbout_) openAbout_();
}
