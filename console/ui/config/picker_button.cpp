#include "console/ui/config/picker_button.h"

#include <QLineEdit>

QPushButton* VkMakePickerButton(QWidget* parent, QLineEdit* field, const QString& text) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(QStringLiteral("picker"));
  button->setEnabled(false);
  button->setToolTip(QStringLiteral("Browsing the network is not available yet: type the names, separated by \",\"."));
  button->setProperty("field", QVariant::fromValue(static_cast<QObject*>(field)));
  return button;
}
