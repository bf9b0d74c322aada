#include "console/ui/config/deployment_wizard.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QVBoxLayout>

#include "console/ui/config/picker_button.h"
#include "console/ui/qt_text.h"

namespace {

QLabel* Text(QWidget* parent, const QString& text) {
  auto* label = new QLabel(text, parent);
  label->setWordWrap(true);
  return label;
}

void Exclamation(QWidget* parent, const QString& text) {
  QMessageBox box(QMessageBox::Warning, QStringLiteral("ViewKeeper"), text, QMessageBox::Ok, parent);
  box.setObjectName(QStringLiteral("validation"));
  box.exec();
}

const QString kShowWizard = QStringLiteral("MainWnd/ShowWizard");

}  // namespace

cVkWelcomePage::cVkWelcomePage(QWidget* parent) : QWizardPage(parent) {
  setTitle(QStringLiteral("Welcome to ViewKeeper"));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Text(this, QStringLiteral("Thank you for using ViewKeeper. This wizard will guide you through the "
                                              "process of taking over a remote computer.")));
  layout->addWidget(Text(this, QStringLiteral("ViewKeeper shows the desktop of a remote computer in a window of this "
                                              "console and passes your keyboard and mouse on to it. A small agent "
                                              "service on the remote computer makes this possible.")));
  layout->addWidget(
      Text(this, QStringLiteral("To remote deploy an ViewKeeper agent on a remote PC, specify the name of "
                                "the remote computer in the box below and click 'Next' to continue to "
                                "the security settings.")));
  computer_ = new QLineEdit(this);
  browse_ = VkMakePickerButton(this, computer_, QStringLiteral("Browse..."), VkPickInto::kOneComputer);
  auto* row = new QHBoxLayout;
  row->addWidget(new QLabel(QStringLiteral("Computer:"), this));
  row->addWidget(computer_, 1);
  row->addWidget(browse_);
  layout->addLayout(row);
  layout->addWidget(Text(this, QStringLiteral("Click on 'Next' to continue with the installation.")));
  layout->addStretch(1);
  showAtStart_ = new QCheckBox(QStringLiteral("Show this wizard at startup"), this);
  layout->addWidget(showAtStart_);
}

bool cVkWelcomePage::validatePage() {
  if (!computer_->text().trimmed().isEmpty()) return true;
  Exclamation(this, QStringLiteral("Please specify the name of the computer that you want to monitor or control."));
  computer_->setFocus();
  return false;
}

cVkLogonPage::cVkLogonPage(QWidget* parent, VkWizardDeploy deploy) : QWizardPage(parent), deploy_(std::move(deploy)) {
  setTitle(QStringLiteral("Logon Information"));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(
      Text(this, QStringLiteral("To remote deploy an ViewKeeper agent, local administrative rights on the "
                                "remote PC are required. If your current user account does not have "
                                "remote admin rights, use the fields below to enter a valid account.")));
  alternate_ =
      new QCheckBox(QStringLiteral("Use the account information below for authorization on the remote PC.*"), this);
  layout->addWidget(alternate_);
  user_ = new QLineEdit(this);
  password_ = new QLineEdit(this);
  password_->setEchoMode(QLineEdit::Password);
  auto* grid = new QGridLayout;
  grid->addWidget(new QLabel(QStringLiteral("Username:"), this), 0, 0);
  grid->addWidget(user_, 0, 1);
  grid->addWidget(new QLabel(QStringLiteral("Password:"), this), 1, 0);
  grid->addWidget(password_, 1, 1);
  layout->addLayout(grid);
  layout->addWidget(Text(this, QStringLiteral("*Please note that the account specified in the above fields must have "
                                              "local administrative rights on the remote PC, either by being the "
                                              "Administrator or a member of the administrators group.")));
  layout->addStretch(1);
  nextLine_ = Text(this, QString());
  layout->addWidget(nextLine_);
  auto enable = [this](bool on) {
    user_->setEnabled(on);
    password_->setEnabled(on);
  };
  connect(alternate_, &QCheckBox::toggled, this, enable);
  enable(false);
}

QString cVkLogonPage::Computer() const {
  auto* owner = qobject_cast<cVkDeploymentWizard*>(wizard());
  return owner != nullptr ? owner->Computer() : QString();
}

void cVkLogonPage::initializePage() {
  nextLine_->setText(
      QStringLiteral("Click 'Next' to remote deploy an ViewKeeper agent to computer %1").arg(Computer()));
}

bool cVkLogonPage::CheckField(QLineEdit* field, const QString& message) {
  if (!field->text().isEmpty()) return true;
  Exclamation(this, message);
  field->setFocus();
  return false;
}

cVkWizardLogon cVkLogonPage::Logon() const {
  cVkWizardLogon logon;
  logon.alternate = alternate_->isChecked();
  if (logon.alternate) {
    logon.user = FromQString(user_->text());
    logon.password = FromQString(password_->text());
  }
  return logon;
}

bool cVkLogonPage::validatePage() {
  if (alternate_->isChecked()) {
    if (!CheckField(user_, QStringLiteral("Please specify the username that you wish to use to logon with.")))
      return false;
    if (!CheckField(password_, QStringLiteral("Please enter the password for the specified username."))) return false;
  }
  if (!deploy_) return false;
  cVkWizardLogon logon = Logon();
  const int32_t rc = deploy_(FromQString(Computer()), logon);
  std::fill(logon.password.begin(), logon.password.end(), u'\0');
  return rc == 0;
}

cVkCompletePage::cVkCompletePage(QWidget* parent) : QWizardPage(parent) {
  setTitle(QStringLiteral("Installation Complete"));
  auto* layout = new QVBoxLayout(this);
  done_ = Text(this, QString());
  layout->addWidget(done_);
  layout->addWidget(Text(this, QStringLiteral("Click on 'Finish' to end the installation wizard and open a connection "
                                              "to the remote computer. Click on 'Back' to install the service on "
                                              "another computer.")));
  layout->addStretch(1);
  layout->addWidget(Text(this, QStringLiteral("This wizard has ended. To go back to this wizard after it has been "
                                              "closed please go to the 'File' menu and click on 'Installation "
                                              "Wizard...'.")));
}

void cVkCompletePage::initializePage() {
  auto* owner = qobject_cast<cVkDeploymentWizard*>(wizard());
  done_->setText(QStringLiteral("The remote deployment of the ViewKeeper agent to computer %1 has completed "
                                "successfully. You are now in control of the remote computer.")
                     .arg(owner != nullptr ? owner->Computer() : QString()));
}

cVkDeploymentWizard::cVkDeploymentWizard(QWidget* parent, const QString& computer, VkWizardDeploy deploy)
    : QWizard(parent) {
  setWindowTitle(QStringLiteral("Welcome to ViewKeeper"));
  setWizardStyle(QWizard::ModernStyle);
  welcome_ = new cVkWelcomePage(this);
  logon_ = new cVkLogonPage(this, std::move(deploy));
  complete_ = new cVkCompletePage(this);
  setPage(kWelcome, welcome_);
  setPage(kLogon, logon_);
  setPage(kComplete, complete_);
  welcome_->ComputerField()->setText(computer);
  welcome_->ShowAtStartBox()->setChecked(ShowAtStart());
}

cVkDeploymentWizard::~cVkDeploymentWizard() {
  // The password does not outlive the wizard.
  logon_->PasswordField()->clear();
}

QString cVkDeploymentWizard::Computer() const { return welcome_->ComputerField()->text().trimmed(); }

bool cVkDeploymentWizard::ShowAtStart() { return QSettings().value(kShowWizard, 1).toInt() == 1; }

void cVkDeploymentWizard::StoreShowAtStart(bool show) { QSettings().setValue(kShowWizard, show ? 1 : 0); }
