#include "console/ui/error_dialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "console/core/error_texts.h"
#include "console/ui/log_dialog.h"
#include "console/ui/qt_text.h"

cVkErrorDialog::cVkErrorDialog(QWidget* parent, const QString& message, cOrkLog& log, int32_t code) : QDialog(parent) {
  log_.SetMemLogMask(LOG_ALL);
  log_.CopyLog(log);
  const VkErrorTexts texts = VkErrorTextsFor(code);
  setWindowTitle(QStringLiteral("ViewKeeper Error - ") + ToQString(texts.title));
  message_ = message + QStringLiteral("\n") + ToQString(texts.explanation);
  auto* icon = new QLabel(this);
  icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxCritical).pixmap(32, 32));
  auto* text = new QLabel(message_, this);
  text->setObjectName(QStringLiteral("message"));
  text->setWordWrap(true);
  text->setMinimumWidth(380);
  auto* hint = new QLabel(
      QStringLiteral("To continue click on 'OK'. To get extensive information, about the error that has occured, click "
                     "on 'Details'."),
      this);
  hint->setWordWrap(true);
  auto* buttons = new QDialogButtonBox(this);
  buttons->addButton(QDialogButtonBox::Ok);
  QPushButton* details = buttons->addButton(QStringLiteral("&Details"), QDialogButtonBox::ActionRole);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(details, &QPushButton::clicked, this, &cVkErrorDialog::ShowDetails);
  auto* top = new QHBoxLayout;
  top->addWidget(icon, 0, Qt::AlignTop);
  top->addWidget(text, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(hint);
  layout->addWidget(buttons);
}

void cVkErrorDialog::ShowDetails() {
  cVkLogDialog details(this, log_);
  details.exec();
}

void cVkErrorDialog::Show(QWidget* parent, const QString& message, cOrkLog& log, int32_t code) {
  cVkErrorDialog dialog(parent, message, log, code);
  dialog.exec();
}
