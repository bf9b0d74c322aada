// The "..." and "Browse..." buttons that fill a field from the network
// picker ("Browse network", the picker's tree kept in the data folder's
// Browse.dat).
#pragma once

#include <QPushButton>

class QLineEdit;

// What a picker button puts into its field.
enum class VkPickInto {
  kComputerList,  // the picked computers join the typed names, joined with ","
  kOneComputer,   // the first picked computer replaces the field
  kAccountList,   // the picked users, groups and computers join the typed names
};

QPushButton* VkMakePickerButton(QWidget* parent, QLineEdit* field, const QString& text, VkPickInto into);

// Runs the picker and fills `field` as `into` says; false when the
// operator cancelled or picked nothing (the field is left as it was).
bool VkPickIntoField(QLineEdit* field, VkPickInto into);
