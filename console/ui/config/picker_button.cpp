#include "console/ui/config/picker_button.h"

#include <QLineEdit>

#include "console/ui/computer_name_dialog.h"
#include "console/ui/console_app.h"
#include "console/ui/qt_text.h"
#include "netpicker/netpicker.h"

namespace {

QString FirstComputer(const VkNetworkObject* picked, uint32_t count) {
  for (uint32_t i = 0; i < count; ++i) {
    if (picked[i].kind == VK_PICKED_COMPUTER && picked[i].name != nullptr) return ToQString(picked[i].name);
  }
  return {};
}

QString FilledText(const QLineEdit& field, VkPickInto into, const VkNetworkObject* picked, uint32_t count) {
  switch (into) {
    case VkPickInto::kComputerList:
      return MergePickedComputers(VkSplitNames(field.text()), picked, count);
    case VkPickInto::kOneComputer:
      return FirstComputer(picked, count);
    case VkPickInto::kAccountList:
      // Account names stay exactly as typed; the picked ones follow.
      return MergePickedNames(field.text().isEmpty() ? QStringList() : field.text().split(QLatin1Char(',')), picked,
                              count, 0);
  }
  return {};
}

}  // namespace

bool VkPickIntoField(QLineEdit* field, VkPickInto into) {
  uint32_t count = 0;
  VkNetworkObject* picked = nullptr;
  const std::u16string treeFile = cVkConsoleApp::DataFolder() + u"Browse.dat";
  bool filled = false;
  if (VkSelectNetworkObjects(VK_PICKER_ICON_COMPUTERS, treeFile.c_str(), &count, &picked) == 1 && count != 0) {
    const QString text = FilledText(*field, into, picked, count);
    filled = !text.isEmpty();
    if (filled) field->setText(text);
  }
  FreeData(picked, count);
  return filled;
}

QPushButton* VkMakePickerButton(QWidget* parent, QLineEdit* field, const QString& text, VkPickInto into) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(QStringLiteral("picker"));
  QObject::connect(button, &QPushButton::clicked, field, [field, into] { VkPickIntoField(field, into); });
  return button;
}
