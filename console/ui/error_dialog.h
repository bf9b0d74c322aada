// The error dialog: a short title for the code, the operation's message and
// an explanation, and "&Details" for the log of the operation.
#pragma once

#include <QDialog>
#include <QString>

#include "log/orklog.h"

class cVkErrorDialog : public QDialog {
  Q_OBJECT

 public:
  // Takes a copy of `log`.
  cVkErrorDialog(QWidget* parent, const QString& message, cOrkLog& log, int32_t code);

  QString MessageText() const { return message_; }
  cOrkLog& Log() { return log_; }
  void ShowDetails();

  // The dialog as every console operation shows it (modal).
  static void Show(QWidget* parent, const QString& message, cOrkLog& log, int32_t code);

 private:
  QString message_;
  cOrkLog log_;
};
