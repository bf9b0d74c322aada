// The "Notification" page: how the user at the managed computer learns of
// a connection.
#pragma once

#include <QWidget>

#include "common/settings/settings_parts.h"

class QButtonGroup;
class QRadioButton;

class cVkNotificationPage : public QWidget {
  Q_OBJECT

 public:
  explicit cVkNotificationPage(QWidget* parent);

  void Load(const cVkServiceSettingsTray& tray);
  // Stores the chosen mode; with none chosen the stored mode stays.
  void Store(cVkServiceSettingsTray& tray) const;

  QRadioButton* ModeButton(uint32_t mode) const;

 private:
  QButtonGroup* modes_;
};
