// The logon dialog ("Logon to: <computer>"): user name, domain, password,
// the two ports and the address. Opening it resolves the computer's name
// off the UI thread; when that fails the operator is told and may type the
// address instead.
#pragma once

#include <QDialog>
#include <thread>

#include "console/core/connection_info.h"
#include "log/orklog.h"

class QLineEdit;
class QSpinBox;

class cVkLogonDialog : public QDialog {
  Q_OBJECT

 public:
  cVkLogonDialog(QWidget* parent, cVkConnectionInfo& record);
  ~cVkLogonDialog() override;

  // True once the name resolution has answered.
  bool Resolved() const { return resolved_; }
  QLineEdit* UserField() const { return user_; }
  QLineEdit* DomainField() const { return domain_; }
  QLineEdit* PasswordField() const { return password_; }
  QLineEdit* AddressField() const { return address_; }
  QSpinBox* UpdatePortField() const { return updatePort_; }
  QSpinBox* InputPortField() const { return inputPort_; }

  void accept() override;

 signals:
  void resolutionDone(bool succeeded);

 private:
  void OnResolved(int32_t code, quint32 address);

  cVkConnectionInfo& record_;
  QLineEdit* user_;
  QLineEdit* domain_;
  QLineEdit* password_;
  QSpinBox* updatePort_;
  QSpinBox* inputPort_;
  QLineEdit* address_;
  cOrkLog log_;
  std::thread resolver_;
  bool resolved_ = false;
};
