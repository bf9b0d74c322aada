#include "console/ui/config/connection_page.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "console/core/settings_rules.h"
#include "console/ui/config/page_texts.h"
#include "console/ui/qt_text.h"

cVkConnectionPage::cVkConnectionPage(QWidget* parent) : QWidget(parent) {
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(VkPageText(this, kVkConnectionPageText));
  layout->addWidget(MakeGroup(QStringLiteral("Screen updates"), channels_[0], kVkDefaultUpdatePort));
  layout->addWidget(MakeGroup(QStringLiteral("Input"), channels_[1], kVkDefaultInputPort));
  layout->addStretch(1);
}

QWidget* cVkConnectionPage::MakeGroup(const QString& title, Channel& channel, uint16_t defaultPort) {
  auto* group = new QGroupBox(title, this);
  channel.defaultPort = defaultPort;
  channel.modes = new QButtonGroup(group);
  auto* grid = new QGridLayout(group);
  const char* names[] = {"Disabled", "Normal connection", "Secure connection"};
  for (int mode = CONNECTION_DISABLED; mode <= CONNECTION_SECURE; ++mode) {
    auto* button = new QRadioButton(QString::fromLatin1(names[mode - 1]), group);
    channel.modes->addButton(button, mode);
    grid->addWidget(button, mode - 1, 0);
  }
  // There is no secure channel.
  channel.modes->button(CONNECTION_SECURE)->setEnabled(false);
  channel.port = new QLineEdit(group);
  channel.port->setMaxLength(kVkPortFieldLength);
  channel.port->setMaximumWidth(80);
  channel.port->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), group));
  grid->addWidget(new QLabel(QStringLiteral("Port number:"), group), 1, 1);
  grid->addWidget(channel.port, 1, 2);
  connect(channel.modes, &QButtonGroup::idClicked, this, [this, &channel](int mode) { ModeChosen(channel, mode); });
  connect(channel.port, &QLineEdit::textEdited, this, [&channel](const QString& text) {
    if (VkPortTextTooLarge(FromQString(text))) channel.port->setText(QString::number(channel.defaultPort));
  });
  return group;
}

void cVkConnectionPage::ModeChosen(Channel& channel, int mode) {
  const bool connected = mode != CONNECTION_DISABLED;
  channel.port->setEnabled(connected);
  if (connected && channel.port->text().isEmpty())
    channel.port->setText(QString::number(VkPortFill(channel.storedPort, channel.defaultPort)));
}

void cVkConnectionPage::LoadChannel(Channel& channel, uint16_t mode, uint16_t port) {
  channel.storedPort = port;
  // A mode no button stands for selects none.
  channel.modes->setExclusive(false);
  for (QAbstractButton* button : channel.modes->buttons()) button->setChecked(false);
  channel.modes->setExclusive(true);
  const bool shown = VkConnectionModeShowable(mode);
  if (shown) channel.modes->button(mode)->setChecked(true);
  const bool connected = shown && mode != CONNECTION_DISABLED;
  channel.port->setText(connected ? QString::number(port) : QString());
  channel.port->setEnabled(connected);
  channel.openedMode = shown ? mode : 0;
  channel.openedPort = channel.port->text();
}

void cVkConnectionPage::Load(const cVkServiceSettingsConnection& connection) {
  LoadChannel(channels_[0], connection.updateMode, connection.updatePort);
  LoadChannel(channels_[1], connection.inputMode, connection.inputPort);
}

void cVkConnectionPage::StoreChannel(const Channel& channel, uint16_t& mode, uint16_t& port) {
  const int chosen = channel.modes->checkedId();
  if (chosen == channel.openedMode && channel.port->text() == channel.openedPort) return;
  if (chosen < CONNECTION_DISABLED) return;
  mode = static_cast<uint16_t>(chosen);
  port = chosen == CONNECTION_DISABLED ? channel.defaultPort
                                       : VkPortToStore(FromQString(channel.port->text()), channel.defaultPort);
}

void cVkConnectionPage::Store(cVkServiceSettingsConnection& connection) const {
  StoreChannel(channels_[0], connection.updateMode, connection.updatePort);
  StoreChannel(channels_[1], connection.inputMode, connection.inputPort);
}

QRadioButton* cVkConnectionPage::ModeButton(int channel, uint16_t mode) const {
  return qobject_cast<QRadioButton*>(channels_[channel].modes->button(mode));
}

QLineEdit* cVkConnectionPage::PortField(int channel) const { return channels_[channel].port; }
