#include "console/ui/config/settings_sheet.h"

#include <QDialogButtonBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "common/settings/service_settings.h"
#include "console/ui/config/connection_page.h"
#include "console/ui/config/input_page.h"
#include "console/ui/config/notification_page.h"
#include "console/ui/config/screen_page.h"

cVkSettingsSheet::cVkSettingsSheet(QWidget* parent, const QString& computer) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Configuration settings for the service on computer: %1").arg(computer));
  tabs_ = new QTabWidget(this);
  screen_ = new cVkScreenPage(tabs_);
  connection_ = new cVkConnectionPage(tabs_);
  input_ = new cVkInputPage(tabs_);
  notification_ = new cVkNotificationPage(tabs_);
  tabs_->addTab(screen_, QStringLiteral("Screen"));
  tabs_->addTab(connection_, QStringLiteral("Connection"));
  tabs_->addTab(input_, QStringLiteral("Input"));
  tabs_->addTab(notification_, QStringLiteral("Notification"));
  buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs_);
  layout->addWidget(buttons_);
}

void cVkSettingsSheet::Load(const cVkServiceSettings& settings) {
  screen_->Load(*settings.GetScreen());
  connection_->Load(*settings.GetConnection());
  input_->Load(*settings.GetInput());
  notification_->Load(*settings.GetTray());
}

void cVkSettingsSheet::Store(cVkServiceSettings& settings) const {
  std::unique_ptr<cVkServiceSettingsConnection> connection = settings.GetConnection();
  std::unique_ptr<cVkServiceSettingsInput> input = settings.GetInput();
  std::unique_ptr<cVkServiceSettingsScreen> screen = settings.GetScreen();
  std::unique_ptr<cVkServiceSettingsTray> tray = settings.GetTray();
  screen_->Store(*screen);
  connection_->Store(*connection);
  input_->Store(*input);
  notification_->Store(*tray);
  settings.SetParts(*connection, *input, *screen, *tray);
}

bool cVkSettingsSheet::Edit(QWidget* parent, const QString& computer, cVkServiceSettings& settings) {
  cVkSettingsSheet sheet(parent, computer);
  sheet.Load(settings);
  if (sheet.exec() != QDialog::Accepted) return false;
  sheet.Store(settings);
  return true;
}
