// The "..." and "Browse..." buttons that fill a field from the network
// picker. The picker library is not part of this build yet: the buttons
// are there, disabled, with a tip that says so.
#pragma once

#include <QPushButton>

class QLineEdit;

QPushButton* VkMakePickerButton(QWidget* parent, QLineEdit* field, const QString& text);
