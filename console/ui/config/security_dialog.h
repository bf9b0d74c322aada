// "Service security settings": the three account lists of an agent
// (administrators, operators, users), each a field of names joined by ",".
#pragma once

#include <QDialog>

class cVkServiceSecurity;
class QLineEdit;
class QPushButton;

class cVkSecurityDialog : public QDialog {
  Q_OBJECT

 public:
  // 0 administrators, 1 operators, 2 users.
  static constexpr int kLists = 3;

  explicit cVkSecurityDialog(QWidget* parent);

  void Load(const cVkServiceSecurity& security);
  // The lists as the fields hold them: split at every ","; an empty field
  // is an empty list.
  void Store(cVkServiceSecurity& security) const;
  // Runs the dialog on `security`; true (and the lists replaced) with OK.
  static bool Edit(QWidget* parent, cVkServiceSecurity& security);

  QLineEdit* Field(int list) const { return fields_[list]; }
  QPushButton* BrowseButton(int list) const { return browse_[list]; }
  QPushButton* OkButton() const { return ok_; }

  void accept() override;

 private:
  void UpdateOk();
  bool AnyFieldEmpty() const;

  QLineEdit* fields_[kLists]{};
  QPushButton* browse_[kLists]{};
  QPushButton* ok_ = nullptr;
};
