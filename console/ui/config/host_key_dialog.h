// The question about a host whose SSH key the known-hosts file does not
// hold yet, with the key's fingerprint, as ssh asks it. A key that differs
// from the recorded one is never asked about: that is an error.
#pragma once

#include <QMessageBox>

class cVkHostKeyDialog : public QMessageBox {
  Q_OBJECT

 public:
  cVkHostKeyDialog(QWidget* parent, const QString& host, const QString& keyType, const QString& fingerprint);

  // True when the operator accepts the key.
  static bool Ask(QWidget* parent, const QString& host, const QString& keyType, const QString& fingerprint);
};
