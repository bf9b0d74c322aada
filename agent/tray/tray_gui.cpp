#include "agent/tray/tray_gui.h"

#include <QAction>
#include <QMenu>
#include <QMessageBox>
#include <QSystemTrayIcon>
#include <QTimer>

#include "agent/tray/about_window.h"
#include "agent/tray/notification_window.h"
#include "agent/tray/tray_icons.h"
#include "agent/tray/tray_texts.h"

namespace {

constexpr int kBalloonTimeoutMs = 10000;
constexpr int kRefreshIntervalMs = 15000;

QString Q(const char16_t* text) { return QString::fromUtf16(text); }
QString Q(const std::u16string& text) { return QString::fromStdU16String(text); }

QSystemTrayIcon::MessageIcon BalloonIcon(uint32_t icon) {
  switch (icon) {
    case BALLOON_WARNING:
      return QSystemTrayIcon::Warning;
    case BALLOON_ERROR:
      return QSystemTrayIcon::Critical;
    default:
      return QSystemTrayIcon::Information;
  }
}

}  // namespace

cVkTrayGui::cVkTrayGui(cVkTrayGuiEvents& events) : events_(events) {
  icons_[0] = TrayIconFor(TRAY_QUESTION);
  icons_[1] = TrayIconFor(TRAY_DISALLOWED);
  icons_[2] = TrayIconFor(TRAY_ALLOWED);
  menu_ = std::make_unique<QMenu>();
  allowAction_ = menu_->addAction(Q(tray_text::kMenuAllow));
  menu_->addSeparator();
  aboutAction_ = menu_->addAction(Q(tray_text::kMenuAbout));
  QFont bold = aboutAction_->font();
  bold.setBold(true);  // the default item
  aboutAction_->setFont(bold);
  allowAction_->setEnabled(false);
  connect(allowAction_, &QAction::triggered, this, [this] { events_.ToggleAllowed(); });
  connect(aboutAction_, &QAction::triggered, this, [this] { OpenAbout(); });
  // Shows the icon again, for a notification area that was restarted or
  // that appeared since.
  refreshTimer_ = new QTimer(this);
  connect(refreshTimer_, &QTimer::timeout, this, [this] { events_.RefreshIcon(); });
  refreshTimer_->start(kRefreshIntervalMs);
}

cVkTrayGui::~cVkTrayGui() {
  if (question_) delete question_.data();
}

bool cVkTrayGui::UsesTrayIcon() const { return trayIcon_ && trayIcon_->isVisible(); }

void cVkTrayGui::Apply(const cVkTrayState& state) {
  UpdateMenu(state);
  shownState_ = state.iconState;
  if (state.iconState == TRAY_NO_ICON) {
    HideAll();
    return;
  }
  if (QSystemTrayIcon::isSystemTrayAvailable()) {
    if (window_) window_->hide();
    ShowOnTray(state);
  } else {
    if (trayIcon_) trayIcon_->hide();
    ShowInWindow(state);
  }
}

void cVkTrayGui::HideAll() {
  if (trayIcon_) trayIcon_->hide();
  if (window_) window_->hide();
}

void cVkTrayGui::ShowOnTray(const cVkTrayState& state) {
  if (!trayIcon_) {
    trayIcon_ = std::make_unique<QSystemTrayIcon>();
    trayIcon_->setContextMenu(menu_.get());
    connect(trayIcon_.get(), &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
      if (reason == QSystemTrayIcon::DoubleClick) OpenAbout();
    });
  }
  trayIcon_->setIcon(icons_[state.iconState - TRAY_QUESTION]);
  trayIcon_->setToolTip(Q(state.tipText));
  trayIcon_->show();
  if (state.balloonPending && !state.balloonTitle.empty() && !state.balloonText.empty())
    trayIcon_->showMessage(Q(state.balloonTitle), Q(state.balloonText), BalloonIcon(state.balloonIcon),
                           kBalloonTimeoutMs);
}

void cVkTrayGui::ShowInWindow(const cVkTrayState& state) {
  if (!window_) window_ = std::make_unique<cVkNotificationWindow>(menu_.get(), [this] { OpenAbout(); });
  window_->SetIcon(icons_[state.iconState - TRAY_QUESTION]);
  window_->SetTip(Q(state.tipText));
  if (state.balloonPending && !state.balloonTitle.empty() && !state.balloonText.empty())
    window_->ShowBalloon(Q(state.balloonTitle), Q(state.balloonText), kBalloonTimeoutMs);
  window_->show();
  window_->raise();
}

// "Allow"/"Disallow" is the local person's only in question mode.
void cVkTrayGui::UpdateMenu(const cVkTrayState& state) {
  bool questionMode = state.notificationMode == NOTIFY_QUESTION;
  allowAction_->setEnabled(questionMode);
  allowAction_->setText(
      Q(questionMode && state.iconState == TRAY_ALLOWED ? tray_text::kMenuDisallow : tray_text::kMenuAllow));
}

void cVkTrayGui::Ask(uint64_t id) {
  if (question_) delete question_.data();
  questionId_ = id;
  auto* box = new QMessageBox(QMessageBox::Question, Q(tray_text::kQuestionCaption), Q(tray_text::kQuestionText),
                              QMessageBox::Yes | QMessageBox::No);
  box->setDefaultButton(QMessageBox::No);
  box->setWindowModality(Qt::ApplicationModal);
  box->setWindowFlag(Qt::WindowStaysOnTopHint);
  box->setAttribute(Qt::WA_DeleteOnClose);
  connect(box, &QMessageBox::finished, this, [this, id, box](int result) {
    events_.AnswerQuestion(id, box->clickedButton() == box->button(QMessageBox::Yes) || result == QMessageBox::Yes);
  });
  question_ = box;
  box->show();
  box->raise();
  box->activateWindow();
  events_.QuestionShown(id);
}

void cVkTrayGui::CloseQuestion(uint64_t id) {
  if (!question_ || questionId_ != id) return;
  QMessageBox* box = question_.data();
  question_.clear();
  box->disconnect(this);
  box->close();
}

void cVkTrayGui::OpenAbout() {
  if (!about_) about_ = std::make_unique<cVkAboutWindow>();
  about_->Fill(events_.ViewerInfo());
  about_->show();
  about_->raise();
}
