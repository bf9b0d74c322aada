#include "console/ui/log_dialog.h"

#include <QFileDialog>
#include <algorithm>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QResizeEvent>
#include <QStyle>
#include <QTreeWidget>

#include "console/ui/qt_text.h"
#include "platform/core/clock.h"

namespace {

constexpr uint32_t kTextLimit = 1024;  // 1023 characters and the terminator

QIcon IconFor(const QStyle* style, uint32_t type) {
  if (type & LOG_ERROR) return style->standardIcon(QStyle::SP_MessageBoxCritical);
  if (type & LOG_WARNING) return style->standardIcon(QStyle::SP_MessageBoxWarning);
  return style->standardIcon(QStyle::SP_MessageBoxInformation);
}

}  // namespace

cVkLogDialog::cVkLogDialog(QWidget* parent, cOrkLog& log) : QDialog(parent) {
  log_.SetMemLogMask(LOG_ALL);
  log_.CopyLog(log);
  setWindowTitle(QStringLiteral("Log"));
  setSizeGripEnabled(true);
  setMinimumSize(400, 250);
  text_ = new QLabel(QStringLiteral("Below is a list of errors that have occurred while performing the selected "
                                    "action. By clicking on 'Save As...' the errors can be exported to a file."),
                     this);
  text_->setWordWrap(true);
  list_ = new QTreeWidget(this);
  list_->setRootIsDecorated(false);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setHeaderLabels({QStringLiteral("Date/Time"), QStringLiteral("Errorcode"), QStringLiteral("Log Text")});
  list_->setColumnWidth(0, 110);
  list_->setColumnWidth(1, 60);
  list_->setColumnWidth(2, 311);
  saveAs_ = new QPushButton(QStringLiteral("Save As..."), this);
  close_ = new QPushButton(QStringLiteral("Close"), this);
  connect(saveAs_, &QPushButton::clicked, this, &cVkLogDialog::SaveAs);
  connect(close_, &QPushButton::clicked, this, &QDialog::accept);
  Fill();
  // The stated widths are the least; a larger font widens them to fit.
  for (int column : {0, 1}) {
    const int least = list_->columnWidth(column);
    list_->resizeColumnToContents(column);
    list_->setColumnWidth(column, std::max(least, list_->columnWidth(column)));
  }
  list_->resizeColumnToContents(2);
  resize(560, 320);
}

void cVkLogDialog::Fill() {
  char16_t text[kTextLimit];
  uint32_t index = 0, type = 0;
  int32_t time = 0, code = 0;
  while (log_.GetMemMessageEx(&index, LOG_ALL, &time, &type, &code, text, kTextLimit) == 0) {
    auto* row = new QTreeWidgetItem(list_);
    row->setText(0, QString::fromStdString(vk::FormatLocalTime(time, "%H:%M %m-%d %Y")));
    row->setText(1, QString::number(code));
    row->setText(2, ToQString(text));
    row->setIcon(0, IconFor(style(), type));
  }
}

void cVkLogDialog::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  const int w = width(), h = height();
  text_->setGeometry(6, 6, w - 12, 40);
  list_->setGeometry(6, 49, w - 12, h - 86);
  saveAs_->setGeometry(6, h - 31, 75, 23);
  close_->setGeometry(w - 80, h - 31, 75, 23);
}

int32_t cVkLogDialog::SaveTo(const QString& path) {
  cOrkLog file;
  file.SetFileLogMask(LOG_ALL);
  file.SetMemLogMask(0);
  const int32_t rc = file.InitializeLogFile(FromQString(path), 1);
  if (rc != 0) return rc;
  file.AddLog(log_);
  return file.CloseLogFile();
}

void cVkLogDialog::SaveAs() {
  QFileDialog dialog(this, QStringLiteral("Save As"), QStringLiteral("ViewKeeper.log"),
                     QStringLiteral("log (*.log);;All Files (*.*)"));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(QStringLiteral("log"));
  dialog.selectFile(QStringLiteral("ViewKeeper.log"));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  SaveTo(dialog.selectedFiles().first());
}
