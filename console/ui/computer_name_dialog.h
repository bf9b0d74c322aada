// "Computername required": asks for the computers a command acts on when
// nothing is selected in the browse tree. Names are separated by ",".
#pragma once

#include <QDialog>
#include <QStringList>
#include <vector>

struct VkNetworkObject;

class QLineEdit;
class QPushButton;

// The typed names followed by the picked objects of `kind` (0: any kind)
// that are not among them (compared without regard to case), joined with ",".
QString MergePickedNames(const QStringList& typed, const VkNetworkObject* picked, uint32_t count, uint32_t kind);
QString MergePickedComputers(const QStringList& typed, const VkNetworkObject* picked, uint32_t count);
// "a, b,,c" as {"a", "b", "c"}.
QStringList VkSplitNames(const QString& list);

class cVkComputerNameDialog : public QDialog {
  Q_OBJECT

 public:
  explicit cVkComputerNameDialog(QWidget* parent);

  QLineEdit* NamesField() const { return names_; }
  QPushButton* OkButton() const { return ok_; }
  QStringList Names() const;

  // Runs the dialog; the names, empty when cancelled or none were given.
  static QStringList Ask(QWidget* parent);

  // "...": the computers picked in the "Browse network" dialog join the names.
  void PickComputers();

 private:
  QLineEdit* names_;
  QPushButton* ok_;
};
