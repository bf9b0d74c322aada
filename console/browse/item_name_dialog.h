// "Add/Edit Item": the name of a new tree item or the new name of an item.
#pragma once

#include <QDialog>
#include <QString>
#include <optional>

class QLineEdit;
class QPushButton;

class cVkItemNameDialog : public QDialog {
  Q_OBJECT

 public:
  cVkItemNameDialog(QWidget* parent, const QString& name);

  QLineEdit* NameField() const { return name_; }
  QPushButton* OkButton() const { return ok_; }

  // Runs the dialog: the entered name, or nothing when cancelled.
  static std::optional<QString> Ask(QWidget* parent, const QString& name);

 private:
  QLineEdit* name_;
  QPushButton* ok_;
};
