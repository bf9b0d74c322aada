// "Directory Logon": the account for a directory that refuses anonymous
// access, asked when a collection of the Directory branch is refused. The
// account goes to the directory library, which keeps it in memory for the
// rest of the run; the dialog keeps no copy.
#pragma once

#include <QDialog>
#include <cstdint>

class QLineEdit;
class QPushButton;
class cVkNetWorkTreeNode;

class cVkDirectoryLogonDialog : public QDialog {
  Q_OBJECT

 public:
  explicit cVkDirectoryLogonDialog(QWidget* parent);
  ~cVkDirectoryLogonDialog() override;

  QLineEdit* UserField() const { return user_; }
  QLineEdit* PasswordField() const { return password_; }
  QPushButton* OkButton() const { return ok_; }

 private:
  QLineEdit* user_;
  QLineEdit* password_;
  QPushButton* ok_;
};

// When `code`, the answer of collecting `node`, says that the directory
// wants an account (Directory branch nodes only), asks the operator for one
// and hands it to the directory library: true when it was given and the
// collection should run again; false when nothing was asked or the operator
// cancelled.
bool VkAskDirectoryAccount(QWidget* parent, const cVkNetWorkTreeNode& node, int32_t code);
