#include "console/browse/entry_dialog_frame.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

QPushButton* VkLayOutEntryDialog(QDialog& dialog, const QString& explanation, QWidget* fieldsWidget,
                                 QLayout* fieldsLayout, QLineEdit& required) {
  auto* text = new QLabel(explanation, &dialog);
  text->setWordWrap(true);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  auto enableOk = [ok, field = &required] { ok->setEnabled(!field->text().isEmpty()); };
  QObject::connect(&required, &QLineEdit::textChanged, ok, enableOk);
  enableOk();
  auto* layout = new QVBoxLayout(&dialog);
  layout->addWidget(text);
  if (fieldsWidget != nullptr) layout->addWidget(fieldsWidget);
  if (fieldsLayout != nullptr) layout->addLayout(fieldsLayout);
  layout->addWidget(buttons);
  return ok;
}
