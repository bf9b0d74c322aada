// The frame the browse tree's small entry dialogs share: a wrapped
// explanation on top, the dialog's fields below it, OK and Cancel at the
// bottom, and OK enabled only while the one field that must be filled in
// holds text.
#pragma once

class QDialog;
class QLayout;
class QLineEdit;
class QPushButton;
class QString;
class QWidget;

// Lays out `dialog` with `fields` (a widget or a layout; the other is null)
// and returns its OK button.
QPushButton* VkLayOutEntryDialog(QDialog& dialog, const QString& explanation, QWidget* fieldsWidget,
                                 QLayout* fieldsLayout, QLineEdit& required);
