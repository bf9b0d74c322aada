#include "console/browse/item_name_dialog.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QVBoxLayout>

#include "console/browse/entry_dialog_frame.h"

cVkItemNameDialog::cVkItemNameDialog(QWidget* parent, const QString& name) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Add/Edit Item"));
  auto* group = new QGroupBox(QStringLiteral("Tree item"), this);
  name_ = new QLineEdit(name, group);
  auto* groupLayout = new QVBoxLayout(group);
  groupLayout->addWidget(name_);
  ok_ = VkLayOutEntryDialog(*this,
                            QStringLiteral("Use this dialog to add a tree item or change the name of an existing "
                                           "item. Please enter the new name in the editbox below and press OK."),
                            group, nullptr, *name_);
}

std::optional<QString> cVkItemNameDialog::Ask(QWidget* parent, const QString& name) {
  cVkItemNameDialog dialog(parent, name);
  if (dialog.exec() != QDialog::Accepted || dialog.name_->text().isEmpty()) return std::nullopt;
  return dialog.name_->text();
}
