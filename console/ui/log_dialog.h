// The log dialog: every message of an operation's log in a list (time,
// code, text), with "Save As..." to write it to a file.
#pragma once

#include <QDialog>
#include <QString>

#include "log/orklog.h"

class QLabel;
class QPushButton;
class QTreeWidget;

class cVkLogDialog : public QDialog {
  Q_OBJECT

 public:
  // Takes a copy of `log`.
  cVkLogDialog(QWidget* parent, cOrkLog& log);

  QTreeWidget* List() const { return list_; }
  // Writes the log to `path` as a log file; 0 or the error.
  int32_t SaveTo(const QString& path);
  void SaveAs();

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Fill();

  cOrkLog log_;
  QLabel* text_;
  QTreeWidget* list_;
  QPushButton* saveAs_;
  QPushButton* close_;
};
