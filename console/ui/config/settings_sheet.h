// The configuration property sheet: the four pages bound to the four parts
// of an agent's settings.
#pragma once

#include <QDialog>

class cVkConnectionPage;
class cVkInputPage;
class cVkNotificationPage;
class cVkScreenPage;
class cVkServiceSettings;
class QDialogButtonBox;
class QTabWidget;

class cVkSettingsSheet : public QDialog {
  Q_OBJECT

 public:
  cVkSettingsSheet(QWidget* parent, const QString& computer);

  void Load(const cVkServiceSettings& settings);
  void Store(cVkServiceSettings& settings) const;
  // Runs the sheet on `settings`; true (and the object edited) with OK.
  static bool Edit(QWidget* parent, const QString& computer, cVkServiceSettings& settings);

  QTabWidget* Tabs() const { return tabs_; }
  QDialogButtonBox* Buttons() const { return buttons_; }
  cVkScreenPage* ScreenPage() const { return screen_; }
  cVkConnectionPage* ConnectionPage() const { return connection_; }
  cVkInputPage* InputPage() const { return input_; }
  cVkNotificationPage* NotificationPage() const { return notification_; }

 private:
  QTabWidget* tabs_;
  QDialogButtonBox* buttons_;
  cVkScreenPage* screen_;
  cVkConnectionPage* connection_;
  cVkInputPage* input_;
  cVkNotificationPage* notification_;
};
