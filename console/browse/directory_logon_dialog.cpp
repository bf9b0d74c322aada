#include "console/browse/directory_logon_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/protocol/secure_wipe.h"
#include "console/browse/browse_sources.h"
#include "console/browse/tree_nodes.h"
#include "console/ui/qt_text.h"

namespace {

bool CollectsFromDirectory(const cVkNetWorkTreeNode& node) {
  return dynamic_cast<const cVkNetWorkTreeNodeW2KDomains*>(&node) != nullptr ||
         dynamic_cast<const cVkNetWorkTreeNodeW2KComputers*>(&node) != nullptr;
}

}  // namespace

cVkDirectoryLogonDialog::cVkDirectoryLogonDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Directory Logon"));
  auto* text = new QLabel(QStringLiteral("The directory does not answer without an account. Please enter a user of "
                                         "the directory (a distinguished name, or user@domain for an Active "
                                         "Directory) and its password. They are kept until DeskConsole ends."),
                          this);
  text->setWordWrap(true);
  user_ = new QLineEdit(this);
  password_ = new QLineEdit(this);
  password_->setEchoMode(QLineEdit::Password);
  auto* fields = new QFormLayout;
  fields->addRow(QStringLiteral("&User name:"), user_);
  fields->addRow(QStringLiteral("&Password:"), password_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  ok_ = buttons->button(QDialogButtonBox::Ok);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto enableOk = [this] { ok_->setEnabled(!user_->text().isEmpty()); };
  connect(user_, &QLineEdit::textChanged, this, enableOk);
  enableOk();
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(text);
  layout->addLayout(fields);
  layout->addWidget(buttons);
}

cVkDirectoryLogonDialog::~cVkDirectoryLogonDialog() { password_->clear(); }

bool VkAskDirectoryAccount(QWidget* parent, const cVkNetWorkTreeNode& node, int32_t code) {
  std::shared_ptr<cVkDirBridge> directory = VkBrowseSources().directory;
  if (directory == nullptr || !CollectsFromDirectory(node) || !directory->WantsCredentials(code)) return false;
  cVkDirectoryLogonDialog dialog(parent);
  if (dialog.exec() != QDialog::Accepted || dialog.UserField()->text().isEmpty()) return false;
  std::u16string password = FromQString(dialog.PasswordField()->text());
  dialog.PasswordField()->clear();
  const int32_t rc = directory->SetCredentials(FromQString(dialog.UserField()->text()), password);
  vk::WipeText(password);
  return rc == 0;
}
