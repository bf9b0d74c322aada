// The deployment wizard "Welcome to ViewKeeper": the computer, the account
// that may install on it, and the end, after which a viewer opens.
#pragma once

#include <QWizard>
#include <QWizardPage>
#include <functional>
#include <string>

#include "console/admin/agent_config_flows.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

// Installs or upgrades the agent on the computer; 0 on success.
using VkWizardDeploy = std::function<int32_t(const std::u16string& computer, const cVkWizardLogon& logon)>;

class cVkWelcomePage : public QWizardPage {
  Q_OBJECT

 public:
  explicit cVkWelcomePage(QWidget* parent);
  bool validatePage() override;

  QLineEdit* ComputerField() const { return computer_; }
  QCheckBox* ShowAtStartBox() const { return showAtStart_; }
  QPushButton* BrowseButton() const { return browse_; }

 private:
  QLineEdit* computer_;
  QPushButton* browse_;
  QCheckBox* showAtStart_;
};

class cVkLogonPage : public QWizardPage {
  Q_OBJECT

 public:
  cVkLogonPage(QWidget* parent, VkWizardDeploy deploy);
  void initializePage() override;
  bool validatePage() override;

  QCheckBox* AlternateBox() const { return alternate_; }
  QLineEdit* UserField() const { return user_; }
  QLineEdit* PasswordField() const { return password_; }
  QLabel* NextLine() const { return nextLine_; }
  cVkWizardLogon Logon() const;

 private:
  bool CheckField(QLineEdit* field, const QString& message);
  QString Computer() const;

  VkWizardDeploy deploy_;
  QCheckBox* alternate_;
  QLineEdit* user_;
  QLineEdit* password_;
  QLabel* nextLine_;
};

class cVkCompletePage : public QWizardPage {
  Q_OBJECT

 public:
  explicit cVkCompletePage(QWidget* parent);
  void initializePage() override;
  QLabel* DoneLine() const { return done_; }

 private:
  QLabel* done_;
};

class cVkDeploymentWizard : public QWizard {
  Q_OBJECT

 public:
  enum { kWelcome, kLogon, kComplete };

  cVkDeploymentWizard(QWidget* parent, const QString& computer, VkWizardDeploy deploy);
  ~cVkDeploymentWizard() override;

  cVkWelcomePage* Welcome() const { return welcome_; }
  cVkLogonPage* LogonPage() const { return logon_; }
  cVkCompletePage* Complete() const { return complete_; }
  QString Computer() const;

  // "ShowWizard" in the settings: whether the wizard opens at start.
  static bool ShowAtStart();
  static void StoreShowAtStart(bool show);

 private:
  cVkWelcomePage* welcome_;
  cVkLogonPage* logon_;
  cVkCompletePage* complete_;
};
