// "ViewKeeper - Service Setup": installs, upgrades or removes the agent on
// the computers named in its field; it stays open after each run.
#pragma once

#include <QDialog>
#include <functional>
#include <string>
#include <vector>

class QLineEdit;
class QPushButton;

struct cVkServiceSetupActions {
  std::function<void(const std::vector<std::u16string>& computers, const std::u16string& directory)> install;
  std::function<void(const std::vector<std::u16string>& computers)> remove;
  std::function<void()> help;
};

class cVkServiceSetupDialog : public QDialog {
  Q_OBJECT

 public:
  cVkServiceSetupDialog(QWidget* parent, const QStringList& computers, const QString& directory,
                        cVkServiceSetupActions actions);

  QLineEdit* ComputersField() const { return computers_; }
  QLineEdit* DirectoryField() const { return directory_; }
  QPushButton* InstallButton() const { return install_; }
  QPushButton* RemoveButton() const { return remove_; }
  QPushButton* HelpButton() const { return help_; }
  QPushButton* BrowseButton() const { return browse_; }
  // The names of the field, split at ",".
  std::vector<std::u16string> Computers() const;

 private:
  void UpdateButtons();

  QLineEdit* computers_;
  QLineEdit* directory_;
  QPushButton* browse_;
  QPushButton* install_;
  QPushButton* remove_;
  QPushButton* help_;
  cVkServiceSetupActions actions_;
};
