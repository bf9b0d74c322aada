#include "console/browse/directory_logon_dialog.h"

#include <QFormLayout>
#include <QLineEdit>

#include "common/protocol/secure_wipe.h"
#include "console/browse/browse_sources.h"
#include "console/browse/entry_dialog_frame.h"
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
  user_ = new QLineEdit(this);
  password_ = new QLineEdit(this);
  password_->setEchoMode(QLineEdit::Password);
  auto* fields = new QFormLayout;
  fields->addRow(QStringLiteral("&User name:"), user_);
  fields->addRow(QStringLiteral("&Password:"), password_);
  ok_ = VkLayOutEntryDialog(*this,
                            QStringLiteral("The directory does not answer without an account. Please enter a user "
                                           "of the directory (a distinguished name, or user@domain for an Active "
                                           "Directory) and its password. They are kept until DeskConsole ends."),
                            nullptr, fields, *user_);
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
