#include "console/ui/progress_dialog.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

cVkProgressDialog::cVkProgressDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Please Wait..."));
  setModal(false);
  auto* group = new QGroupBox(QStringLiteral("Progress"), this);
  operation_ = new QLabel(group);
  progress_ = new QLabel(group);
  operation_->setMinimumWidth(360);
  operation_->setWordWrap(true);
  auto* lines = new QVBoxLayout(group);
  lines->addWidget(operation_);
  lines->addWidget(progress_);
  cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
  cancel_->hide();
  connect(cancel_, &QPushButton::clicked, this, [this] {
    cancelRequested_ = true;
    cancel_->setEnabled(false);
    emit cancelRequested();
  });
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(group);
  layout->addWidget(cancel_, 0, Qt::AlignRight);
  QApplication::setOverrideCursor(Qt::WaitCursor);
  waitCursor_ = true;
  show();
}

cVkProgressDialog::~cVkProgressDialog() {
  if (waitCursor_) QApplication::restoreOverrideCursor();
}

void cVkProgressDialog::ShowLine(QLabel* line, const QString& text) {
  // A text with a zero unit in it is not one the operations send.
  const QString shown = text.contains(QChar(0)) ? QStringLiteral("-- Invalid info string. --") : text.left(kMaxText);
  line->setText(shown);
  FitText();
  repaint();  // each step is seen even while the caller keeps the thread busy
}

void cVkProgressDialog::FitText() {
  // A longer text wraps onto more lines, or the Cancel button came, after the
  // window took its size: it grows to show all of it (never shrinks, so it
  // does not jump at each step).
  layout()->activate();
  const int needed = hasHeightForWidth() ? heightForWidth(width()) : sizeHint().height();
  if (needed > height()) resize(width(), needed);
}

void cVkProgressDialog::SetOperation(const QString& text) { ShowLine(operation_, text); }

void cVkProgressDialog::ShowProgress(std::u16string_view text) {
  ShowLine(progress_, QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size())));
}

QString cVkProgressDialog::OperationText() const { return operation_->text(); }
QString cVkProgressDialog::ProgressText() const { return progress_->text(); }

void cVkProgressDialog::HideForQuestion() {
  hide();
  if (waitCursor_) QApplication::restoreOverrideCursor();
  waitCursor_ = false;
}

void cVkProgressDialog::ShowAgain() {
  if (!waitCursor_) QApplication::setOverrideCursor(Qt::WaitCursor);
  waitCursor_ = true;
  show();
}

void cVkProgressDialog::OfferCancel() {
  cancel_->show();
  // The arrow over the button: it is the one thing that takes a click.
  cancel_->setCursor(Qt::ArrowCursor);
  FitText();
}
