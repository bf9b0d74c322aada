#include "netpicker/progress_dialog.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTimerEvent>
#include <QVBoxLayout>

#include "netpicker/collect_job.h"

namespace vk::picker {

cVkPickerProgressDialog::cVkPickerProgressDialog(QWidget* parent, const QString& label,
                                                 std::shared_ptr<cVkCollectJob> job)
    : QDialog(parent), label_(label), job_(std::move(job)) {
  setWindowTitle(QStringLiteral("Please Wait..."));
  auto* group = new QGroupBox(QStringLiteral("Progress"), this);
  auto* icon = new QLabel(group);
  icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(32, 32));
  text_ = new QLabel(group);
  text_->setMinimumWidth(420);
  auto* row = new QHBoxLayout(group);
  row->addWidget(icon);
  row->addWidget(text_, 1);
  auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(group);
  layout->addWidget(cancel, 0, Qt::AlignRight);
  started_.start();
  ShowElapsed();
  timer_ = startTimer(100);
}

QString cVkPickerProgressDialog::Text() const { return text_->text(); }

void cVkPickerProgressDialog::ShowElapsed() {
  const double seconds = static_cast<double>(started_.elapsed()) * 0.001;
  text_->setText(QStringLiteral("Please wait... Collecting information for %1. Elapsed time: %2 sec.")
                     .arg(label_, QString::number(seconds, 'f', 1)));
}

void cVkPickerProgressDialog::timerEvent(QTimerEvent* event) {
  if (event->timerId() != timer_) return QDialog::timerEvent(event);
  ShowElapsed();
  if (!job_->IsDone()) return;
  killTimer(timer_);
  timer_ = 0;
  accept();
}

}  // namespace vk::picker
