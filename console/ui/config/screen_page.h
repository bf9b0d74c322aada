// The "Screen" page of the configuration sheet: the refresh intervals in
// seconds, the send interval in milliseconds and the compression level.
#pragma once

#include <QString>
#include <QWidget>

#include "common/settings/settings_parts.h"
#include "console/core/settings_rules.h"

class QCheckBox;
class QLineEdit;
class QSlider;

class cVkScreenPage : public QWidget {
  Q_OBJECT

 public:
  explicit cVkScreenPage(QWidget* parent);

  void Load(const cVkServiceSettingsScreen& screen);
  // Writes what the operator changed; a control left as it opened keeps the
  // stored value, whatever it is.
  void Store(cVkServiceSettingsScreen& screen) const;

  QCheckBox* FullRefreshBox() const { return fullBox_; }
  QLineEdit* FullRefreshField() const { return fullField_; }
  QCheckBox* ForegroundRefreshBox() const { return foregroundBox_; }
  QLineEdit* ForegroundRefreshField() const { return foregroundField_; }
  QLineEdit* SendIntervalField() const { return sendField_; }
  QSlider* LevelSlider() const { return level_; }

 private:
  struct Refresh {
    QCheckBox* box;
    QLineEdit* field;
    int32_t stored = kVkIntervalOff;
    bool openedChecked = false;
    QString openedText;
  };
  void LoadRefresh(Refresh& refresh, int32_t stored);
  static int32_t StoredRefresh(const Refresh& refresh, int32_t current);
  void Toggle(Refresh& refresh, bool on, std::u16string_view fallback);

  QCheckBox* fullBox_;
  QLineEdit* fullField_;
  QCheckBox* foregroundBox_;
  QLineEdit* foregroundField_;
  QLineEdit* sendField_;
  QSlider* level_;
  Refresh full_{};
  Refresh foreground_{};
  QString openedSend_;
  int openedLevel_ = 6;
};
