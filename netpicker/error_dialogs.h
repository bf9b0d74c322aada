// The picker's error dialog ("Browse Network - Error", with "Details") and
// its log dialog (every message of the failed collection, "Save As...").
#pragma once

#include <QDialog>
#include <QString>

#include "log/orklog.h"

class QLabel;
class QPushButton;
class QTreeWidget;

namespace vk::picker {

class cVkPickerLogDialog : public QDialog {
  Q_OBJECT

 public:
  // Takes a copy of `log`.
  cVkPickerLogDialog(QWidget* parent, cOrkLog& log);
  QTreeWidget* List() const { return list_; }
  // Writes the messages into a log file at `path`; 0 or the error.
  int32_t SaveTo(const QString& path);
  void SaveAs();

 private:
  void Fill();

  cOrkLog log_;
  QTreeWidget* list_;
};

class cVkPickerErrorDialog : public QDialog {
  Q_OBJECT

 public:
  // Takes a copy of `log`.
  cVkPickerErrorDialog(QWidget* parent, const QString& message, cOrkLog& log, int32_t code);
  QString MessageText() const { return text_; }
  int32_t Code() const { return code_; }
  cOrkLog& Log() { return log_; }
  void ShowDetails();

 private:
  QString text_;
  cOrkLog log_;
  int32_t code_;
};

}  // namespace vk::picker
