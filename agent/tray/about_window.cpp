#include "agent/tray/about_window.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "agent/tray/tray_icons.h"
#include "agent/tray/tray_texts.h"

namespace {
QString Q(const char16_t* text) { return QString::fromUtf16(text); }
}  // namespace

cVkAboutWindow::cVkAboutWindow() {
  setWindowTitle(Q(tray_text::kAboutCaption));
  setWindowIcon(TrayIconFor(TRAY_ALLOWED));
  auto* group = new QGroupBox(Q(tray_text::kAboutGroup), this);
  auto* fields = new QFormLayout(group);
  state_ = new QLabel(group);
  user_ = new QLabel(group);
  computer_ = new QLabel(group);
  fields->addRow(Q(tray_text::kAboutState), state_);
  fields->addRow(Q(tray_text::kAboutUser), user_);
  fields->addRow(Q(tray_text::kAboutComputer), computer_);
  auto* line = new QLabel(Q(tray_text::kAboutLine), this);
  auto* close = new QPushButton(Q(tray_text::kAboutClose), this);
  close->setDefault(true);
  connect(close, &QPushButton::clicked, this, &QDialog::close);
  auto* icon = new QLabel(this);
  icon->setPixmap(TrayIconFor(TRAY_ALLOWED).pixmap(32, 32));
  auto* top = new QHBoxLayout;
  top->addWidget(icon, 0, Qt::AlignTop);
  top->addWidget(line, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(group);
  layout->addWidget(close, 0, Qt::AlignRight);
  setModal(false);
}

void cVkAboutWindow::Fill(const cVkViewerInfo& viewer) {
  if (!viewer.connected) {
    state_->setText(Q(tray_text::kNotConnected));
    user_->setText(Q(tray_text::kNone));
    computer_->setText(Q(tray_text::kNone));
    return;
  }
  state_->setText(Q(tray_text::kConnected));
  user_->setText(QString::fromStdU16String(viewer.viewerName));
  computer_->setText(DottedAddress(viewer.address));
}

QString cVkAboutWindow::StateText() const { return state_->text(); }
QString cVkAboutWindow::UserText() const { return user_->text(); }
QString cVkAboutWindow::ComputerText() const { return computer_->text(); }

QString DottedAddress(uint32_t address) {
  if (address == 0) return Q(tray_text::kUnknown);
  // Network order: the first octet is the lowest byte in memory.
  const auto* octets = reinterpret_cast<const unsigned char*>(&address);
  return QStringLiteral("%1.%2.%3.%4").arg(octets[0]).arg(octets[1]).arg(octets[2]).arg(octets[3]);
}
