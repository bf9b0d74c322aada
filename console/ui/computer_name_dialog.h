// "Computername required": asks for the computers a command acts on when
// nothing is selected in the browse tree. Names are separated by ",".
#pragma once

#include <QDialog>
#include <QStringList>

class QLineEdit;
class QPushButton;

class cVkComputerNameDialog : public QDialog {
  Q_OBJECT

 public:
  explicit cVkComputerNameDialog(QWidget* parent);

  QLineEdit* NamesField() const { return names_; }
  QPushButton* OkButton() const { return ok_; }
  QStringList Names() const;

  // Runs the dialog; the names, empty when cancelled or none were given.
  static QStringList Ask(QWidget* parent);

 private:
  QLineEdit* names_;
  QPushButton* ok_;
};
