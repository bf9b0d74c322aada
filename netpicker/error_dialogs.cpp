#include "netpicker/error_dialogs.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "netpicker/picker_images.h"
#include "platform/core/clock.h"

namespace vk::picker {

namespace {

constexpr uint32_t kTextLimit = 1024;  // 1023 characters and the terminator

uint32_t RowImage(uint32_t type, int32_t code) {
  if (type & LOG_WARNING) return kImageLogWarning;
  if (type & LOG_DETAIL) return kImageLogDetail;
  return code != 0 ? kImageLogError : kImageLogErrorNoCode;
}

}  // namespace

cVkPickerLogDialog::cVkPickerLogDialog(QWidget* parent, cOrkLog& log) : QDialog(parent) {
  log_.SetMemLogMask(LOG_ALL);
  log_.CopyLog(log);
  setWindowTitle(QStringLiteral("Log"));
  auto* text = new QLabel(QStringLiteral("This is a list of the events that have occured. Click on 'Save As...' to "
                                         "save the log to a file."),
                          this);
  text->setWordWrap(true);
  list_ = new QTreeWidget(this);
  list_->setRootIsDecorated(false);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setHeaderLabels({QStringLiteral("Date/Time"), QStringLiteral("Errorcode"), QStringLiteral("Log Text")});
  list_->setColumnWidth(0, 110);
  list_->setColumnWidth(1, 60);
  list_->setColumnWidth(2, 311);
  auto* saveAs = new QPushButton(QStringLiteral("Save As..."), this);
  auto* close = new QPushButton(QStringLiteral("Close"), this);
  connect(saveAs, &QPushButton::clicked, this, &cVkPickerLogDialog::SaveAs);
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  Fill();
  list_->resizeColumnToContents(2);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(saveAs);
  buttons->addStretch(1);
  buttons->addWidget(close);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(text);
  layout->addWidget(list_, 1);
  layout->addLayout(buttons);
  resize(560, 320);
}

void cVkPickerLogDialog::Fill() {
  char16_t text[kTextLimit];
  uint32_t index = 0, type = 0;
  int32_t time = 0, code = 0;
  while (log_.GetMemMessageEx(&index, LOG_ALL, &time, &type, &code, text, kTextLimit) == 0) {
    auto* row = new QTreeWidgetItem(list_);
    row->setText(0, QString::fromStdString(vk::FormatLocalTime(time, "%H:%M %m-%d %Y")));
    row->setText(1, QString::number(code));
    row->setText(2, QString::fromUtf16(text));
    row->setIcon(0, PickerIcon(RowImage(type, code)));
  }
}

int32_t cVkPickerLogDialog::SaveTo(const QString& path) {
  cOrkLog file;
  file.SetFileLogMask(LOG_ALL);
  file.SetMemLogMask(0);
  const int32_t rc = file.InitializeLogFile(path.toStdU16String(), 1);
  if (rc != 0) return rc;
  file.AddLog(log_);
  return file.CloseLogFile();
}

void cVkPickerLogDialog::SaveAs() {
  QFileDialog dialog(this, QStringLiteral("Save As"), QString(), QStringLiteral("log (*.log);;All Files (*.*)"));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(QStringLiteral("log"));
  dialog.selectFile(QStringLiteral("Network.log"));
  dialog.setOption(QFileDialog::ReadOnly, false);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  SaveTo(dialog.selectedFiles().first());
}

cVkPickerErrorDialog::cVkPickerErrorDialog(QWidget* parent, const QString& message, cOrkLog& log, int32_t code)
    : QDialog(parent), code_(code) {
  log_.SetMemLogMask(LOG_ALL);
  log_.CopyLog(log);
  setWindowTitle(QStringLiteral("Browse Network - Error"));
  text_ = message + QStringLiteral("\n") +
          QStringLiteral(" To get extensive information, about the error that has occurred, click on 'Details'.");
  auto* icon = new QLabel(this);
  icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxCritical).pixmap(32, 32));
  auto* text = new QLabel(text_, this);
  text->setWordWrap(true);
  text->setMinimumWidth(360);
  auto* buttons = new QDialogButtonBox(this);
  buttons->addButton(QDialogButtonBox::Ok);
  QPushButton* details = buttons->addButton(QStringLiteral("Details"), QDialogButtonBox::ActionRole);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(details, &QPushButton::clicked, this, &cVkPickerErrorDialog::ShowDetails);
  auto* top = new QHBoxLayout;
  top->addWidget(icon, 0, Qt::AlignTop);
  top->addWidget(text, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(buttons);
}

void cVkPickerErrorDialog::ShowDetails() {
  cVkPickerLogDialog details(this, log_);
  details.exec();
}

}  // namespace vk::picker
