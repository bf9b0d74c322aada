#include "console/ui/config/input_page.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QVBoxLayout>

#include "console/ui/config/page_texts.h"

cVkInputPage::cVkInputPage(QWidget* parent) : QWidget(parent) {
  auto* keyboard = new QGroupBox(QStringLiteral("Keyboard"), this);
  auto* mouse = new QGroupBox(QStringLiteral("Mouse"), this);
  struct Text {
    uint32_t flag;
    QGroupBox* group;
    const char* text;
  };
  const Text texts[] = {
      {INPUT_ALLOW_KEYBOARD, keyboard, "Allow keyboard input"},
      {INPUT_ALLOW_CTRL_ALT_DEL, keyboard, "Allow Ctrl-Alt-Delete"},
      {INPUT_DISABLE_LOCAL_KEYBOARD, keyboard, "Disable the keyboard of the remote computer"},
      {INPUT_ALLOW_MOUSE, mouse, "Allow mouse input"},
      {INPUT_DISABLE_LOCAL_MOUSE, mouse, "Disable the mouse of the remote computer"},
  };
  auto* keyboardLayout = new QVBoxLayout(keyboard);
  auto* mouseLayout = new QVBoxLayout(mouse);
  for (size_t i = 0; i < std::size(texts); ++i) {
    auto* box = new QCheckBox(QString::fromLatin1(texts[i].text), texts[i].group);
    (texts[i].group == keyboard ? keyboardLayout : mouseLayout)->addWidget(box);
    options_[i] = {texts[i].flag, box};
  }
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(VkPageText(this, kVkInputPageText));
  layout->addWidget(keyboard);
  layout->addWidget(mouse);
  layout->addStretch(1);
}

void cVkInputPage::Load(const cVkServiceSettingsInput& input) {
  for (const Option& option : options_) option.box->setChecked((input.inputFlags & option.flag) != 0);
}

void cVkInputPage::Store(cVkServiceSettingsInput& input) const {
  for (const Option& option : options_) input.SetFlag(option.flag, option.box->isChecked());
}

QCheckBox* cVkInputPage::Box(uint32_t flag) const {
  for (const Option& option : options_) {
    if (option.flag == flag) return option.box;
  }
  return nullptr;
}
