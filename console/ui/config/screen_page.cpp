#include "console/ui/config/screen_page.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QSlider>
#include <QVBoxLayout>

#include "console/core/settings_rules.h"
#include "console/ui/config/page_texts.h"
#include "console/ui/qt_text.h"

namespace {

QLineEdit* NumberField(QWidget* parent, int length, const char* pattern) {
  auto* field = new QLineEdit(parent);
  field->setMaxLength(length);
  field->setValidator(new QRegularExpressionValidator(QRegularExpression(QString::fromLatin1(pattern)), field));
  field->setMaximumWidth(80);
  return field;
}

}  // namespace

cVkScreenPage::cVkScreenPage(QWidget* parent) : QWidget(parent) {
  auto* updates = new QGroupBox(QStringLiteral("Screen Update Settings"), this);
  fullBox_ = new QCheckBox(QStringLiteral("Refresh the entire screen every:"), updates);
  fullField_ = NumberField(updates, kVkSecondsFieldLength, "[0-9]*\\.?[0-9]*");
  foregroundBox_ = new QCheckBox(QStringLiteral("Refresh the foreground window every:"), updates);
  foregroundField_ = NumberField(updates, kVkSecondsFieldLength, "[0-9]*\\.?[0-9]*");
  sendField_ = NumberField(updates, kVkMillisecondsFieldLength, "[0-9]*");
  auto* grid = new QGridLayout(updates);
  grid->addWidget(fullBox_, 0, 0);
  grid->addWidget(fullField_, 0, 1);
  grid->addWidget(new QLabel(QStringLiteral("Seconds"), updates), 0, 2);
  grid->addWidget(foregroundBox_, 1, 0);
  grid->addWidget(foregroundField_, 1, 1);
  grid->addWidget(new QLabel(QStringLiteral("Seconds"), updates), 1, 2);
  grid->addWidget(new QLabel(QStringLiteral("Send new updates (if available) every:"), updates), 2, 0);
  grid->addWidget(sendField_, 2, 1);
  grid->addWidget(new QLabel(QStringLiteral("Milliseconds"), updates), 2, 2);

  auto* compression = new QGroupBox(QStringLiteral("Compression"), this);
  level_ = new QSlider(Qt::Horizontal, compression);
  level_->setRange(0, 9);
  level_->setTickPosition(QSlider::TicksBelow);
  level_->setPageStep(1);
  auto* row = new QHBoxLayout;
  row->addWidget(new QLabel(QStringLiteral("No compression"), compression));
  row->addWidget(level_, 1);
  row->addWidget(new QLabel(QStringLiteral("Full compression"), compression));
  auto* compressionLayout = new QVBoxLayout(compression);
  compressionLayout->addWidget(VkPageText(compression, kVkCompressionText));
  compressionLayout->addLayout(row);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(VkPageText(this, kVkScreenPageText));
  layout->addWidget(updates);
  layout->addWidget(compression);
  layout->addStretch(1);

  full_.box = fullBox_;
  full_.field = fullField_;
  foreground_.box = foregroundBox_;
  foreground_.field = foregroundField_;
  connect(fullBox_, &QCheckBox::toggled, this, [this](bool on) { Toggle(full_, on, kVkFullRefreshFill); });
  connect(foregroundBox_, &QCheckBox::toggled, this,
          [this](bool on) { Toggle(foreground_, on, kVkForegroundRefreshFill); });
}

void cVkScreenPage::Toggle(Refresh& refresh, bool on, std::u16string_view fallback) {
  refresh.field->setEnabled(on);
  if (on && refresh.field->text().isEmpty()) refresh.field->setText(ToQString(VkRefreshFill(refresh.stored, fallback)));
}

void cVkScreenPage::LoadRefresh(Refresh& refresh, int32_t stored) {
  refresh.stored = stored;
  // An interval no control can show opens as switched off.
  const bool on = stored >= 1;
  const QSignalBlocker quiet(refresh.box);
  refresh.box->setChecked(on);
  refresh.field->setText(on ? ToQString(VkSecondsText(stored)) : QString());
  refresh.field->setEnabled(on);
  refresh.openedChecked = on;
  refresh.openedText = refresh.field->text();
}

void cVkScreenPage::Load(const cVkServiceSettingsScreen& screen) {
  LoadRefresh(full_, screen.fullRefreshInterval);
  LoadRefresh(foreground_, screen.foregroundRefreshInterval);
  sendField_->setText(VkSendIntervalShowable(screen.captureInterval) ? QString::number(screen.captureInterval)
                                                                     : QString());
  openedSend_ = sendField_->text();
  level_->setValue(VkLevelShowable(screen.compressionLevel) ? screen.compressionLevel : 6);
  openedLevel_ = level_->value();
}

int32_t cVkScreenPage::StoredRefresh(const Refresh& refresh, int32_t current) {
  if (refresh.box->isChecked() == refresh.openedChecked && refresh.field->text() == refresh.openedText) return current;
  if (!refresh.box->isChecked()) return kVkIntervalOff;
  return VkMillisecondsFromSeconds(FromQString(refresh.field->text())).value_or(current);
}

void cVkScreenPage::Store(cVkServiceSettingsScreen& screen) const {
  screen.fullRefreshInterval = StoredRefresh(full_, screen.fullRefreshInterval);
  screen.foregroundRefreshInterval = StoredRefresh(foreground_, screen.foregroundRefreshInterval);
  if (sendField_->text() != openedSend_)
    screen.captureInterval = VkSendIntervalFromText(FromQString(sendField_->text())).value_or(screen.captureInterval);
  if (level_->value() != openedLevel_) screen.compressionLevel = level_->value();
}
