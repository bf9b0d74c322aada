// The "Connection" page: the mode and port of the screen-update channel and
// of the input channel.
#pragma once

#include <QString>
#include <QWidget>

#include "common/settings/settings_parts.h"

class QButtonGroup;
class QLineEdit;
class QRadioButton;

class cVkConnectionPage : public QWidget {
  Q_OBJECT

 public:
  explicit cVkConnectionPage(QWidget* parent);

  void Load(const cVkServiceSettingsConnection& connection);
  void Store(cVkServiceSettingsConnection& connection) const;

  // 0: screen updates, 1: input.
  QRadioButton* ModeButton(int channel, uint16_t mode) const;
  QLineEdit* PortField(int channel) const;

 private:
  struct Channel {
    QButtonGroup* modes = nullptr;
    QLineEdit* port = nullptr;
    uint16_t defaultPort = 0;
    uint16_t storedPort = 0;
    int openedMode = 0;
    QString openedPort;
  };

  QWidget* MakeGroup(const QString& title, Channel& channel, uint16_t defaultPort);
  void ModeChosen(Channel& channel, int mode);
  static void LoadChannel(Channel& channel, uint16_t mode, uint16_t port);
  static void StoreChannel(const Channel& channel, uint16_t& mode, uint16_t& port);

  Channel channels_[2];
};
