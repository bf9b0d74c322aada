#include "console/browse/collect_progress_dialog.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTimerEvent>
#include <QVBoxLayout>

#include "console/ui/qt_text.h"
#include "log/format.h"

cVkCollectProgressDialog::cVkCollectProgressDialog(QWidget* parent, const QString& itemLabel,
                                                   std::function<bool()> done, std::function<double()> elapsedSeconds)
    : QDialog(parent), label_(itemLabel), isDone_(std::move(done)), elapsed_(std::move(elapsedSeconds)) {
  setWindowTitle(QStringLiteral("Please wait..."));
  setModal(true);
  auto* group = new QGroupBox(QStringLiteral("Progress"), this);
  auto* icon = new QLabel(group);
  icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(32, 32));
  text_ = new QLabel(group);
  text_->setMinimumWidth(420);
  text_->setWordWrap(true);
  auto* line = new QHBoxLayout(group);
  line->addWidget(icon);
  line->addWidget(text_, 1);
  cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
  connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(group);
  layout->addWidget(cancel_, 0, Qt::AlignRight);
  ShowElapsed();
  timer_ = startTimer(100);
}

QString cVkCollectProgressDialog::Text() const { return text_->text(); }

void cVkCollectProgressDialog::ShowElapsed() {
  text_->setText(ToQString(vk::Format(u"Please wait... Collecting information for %s. Elapsed time: %#.1f sec.",
                                      FromQString(label_), elapsed_())));
}

void cVkCollectProgressDialog::timerEvent(QTimerEvent* event) {
  if (event->timerId() != timer_) return QDialog::timerEvent(event);
  ShowElapsed();
  if (isDone_()) accept();
}

void cVkCollectProgressDialog::done(int result) {
  if (timer_ != 0) killTimer(timer_);
  timer_ = 0;
  QDialog::done(result);
}
