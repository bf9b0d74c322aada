#include "console/ui/config/notification_page.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

#include "console/core/settings_rules.h"
#include "console/ui/config/page_texts.h"

cVkNotificationPage::cVkNotificationPage(QWidget* parent) : QWidget(parent), modes_(new QButtonGroup(this)) {
  struct Mode {
    uint32_t mode;
    const char* name;
    const char* explanation;
  };
  const Mode modes[] = {
      {NOTIFY_SILENT, "Silent", "No notification of any kind is given to the user on the remote computer."},
      {NOTIFY_INFORMATION, "Informational",
       "A informational icon will be displayed in the taskbar of the remote computer."},
      {NOTIFY_WARNING, "Warning",
       "An icon will be displayed in the taskbar of the remote computer accompanied by a warning message."},
      {NOTIFY_QUESTION, "Ask",
       "When connecting to the remote computer the remote user will be asked if he allows the desktop to be taken "
       "over."},
  };
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(VkPageText(this, kVkNotificationPageText));
  for (const Mode& mode : modes) {
    auto* group = new QGroupBox(this);
    auto* button = new QRadioButton(QString::fromLatin1(mode.name), group);
    auto* explanation = new QLabel(QString::fromLatin1(mode.explanation), group);
    explanation->setWordWrap(true);
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(button);
    groupLayout->addWidget(explanation);
    modes_->addButton(button, static_cast<int>(mode.mode));
    layout->addWidget(group);
  }
  layout->addStretch(1);
}

void cVkNotificationPage::Load(const cVkServiceSettingsTray& tray) {
  modes_->setExclusive(false);
  for (QAbstractButton* button : modes_->buttons()) button->setChecked(false);
  modes_->setExclusive(true);
  if (VkNotificationModeShowable(tray.notificationMode))
    modes_->button(static_cast<int>(tray.notificationMode))->setChecked(true);
}

void cVkNotificationPage::Store(cVkServiceSettingsTray& tray) const {
  const int chosen = modes_->checkedId();
  if (chosen >= static_cast<int>(NOTIFY_SILENT)) tray.notificationMode = static_cast<uint32_t>(chosen);
}

QRadioButton* cVkNotificationPage::ModeButton(uint32_t mode) const {
  return qobject_cast<QRadioButton*>(modes_->button(static_cast<int>(mode)));
}
