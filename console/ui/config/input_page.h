// The "Input" page: the flag word of the keyboard and mouse options.
#pragma once

#include <QWidget>

#include "common/settings/settings_parts.h"

class QCheckBox;

class cVkInputPage : public QWidget {
  Q_OBJECT

 public:
  explicit cVkInputPage(QWidget* parent);

  void Load(const cVkServiceSettingsInput& input);
  // Rebuilds the five flags from the boxes; other bits stay as they were.
  void Store(cVkServiceSettingsInput& input) const;

  QCheckBox* Box(uint32_t flag) const;

 private:
  struct Option {
    uint32_t flag;
    QCheckBox* box;
  };
  Option options_[5]{};
};
