#include "console/browse/item_name_dialog.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

cVkItemNameDialog::cVkItemNameDialog(QWidget* parent, const QString& name) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Add/Edit Item"));
  auto* text = new QLabel(QStringLiteral("Use this dialog to add a tree item or change the name of an existing item. "
                                         "Please enter the new name in the editbox below and press OK."),
                          this);
  text->setWordWrap(true);
  auto* group = new QGroupBox(QStringLiteral("Tree item"), this);
  name_ = new QLineEdit(name, group);
  auto* groupLayout = new QVBoxLayout(group);
  groupLayout->addWidget(name_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  ok_ = buttons->button(QDialogButtonBox::Ok);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto enableOk = [this] { ok_->setEnabled(!name_->text().isEmpty()); };
  connect(name_, &QLineEdit::textChanged, this, enableOk);
  enableOk();
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(text);
  layout->addWidget(group);
  layout->addWidget(buttons);
}

std::optional<QString> cVkItemNameDialog::Ask(QWidget* parent, const QString& name) {
  cVkItemNameDialog dialog(parent, name);
  if (dialog.exec() != QDialog::Accepted || dialog.name_->text().isEmpty()) return std::nullopt;
  return dialog.name_->text();
}
