#include "console/ui/computer_name_dialog.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "console/ui/config/picker_button.h"
#include "console/ui/qt_text.h"
#include "netpicker/netpicker.h"

QString MergePickedNames(const QStringList& typed, const VkNetworkObject* picked, uint32_t count, uint32_t kind) {
  QStringList names = typed;
  for (uint32_t i = 0; i < count; ++i) {
    if ((kind != 0 && picked[i].kind != kind) || picked[i].name == nullptr) continue;
    const QString name = ToQString(picked[i].name);
    if (!names.contains(name, Qt::CaseInsensitive)) names.append(name);
  }
  return names.join(QLatin1Char(','));
}

QString MergePickedComputers(const QStringList& typed, const VkNetworkObject* picked, uint32_t count) {
  return MergePickedNames(typed, picked, count, VK_PICKED_COMPUTER);
}

QStringList VkSplitNames(const QString& list) {
  QStringList names;
  for (const QString& part : list.split(QLatin1Char(','))) {
    const QString name = part.trimmed();
    if (!name.isEmpty()) names.append(name);
  }
  return names;
}

cVkComputerNameDialog::cVkComputerNameDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Computername required"));
  auto* text = new QLabel(QStringLiteral("The selected operation requires you to enter the computername(s) of the "
                                         "computer(s) on which the action should be executed."),
                          this);
  text->setWordWrap(true);
  auto* group = new QGroupBox(QStringLiteral("Computers"), this);
  names_ = new QLineEdit(group);
  auto* pick = new QPushButton(QStringLiteral("..."), group);
  pick->setFixedWidth(32);
  auto* row = new QHBoxLayout(group);
  row->addWidget(names_);
  row->addWidget(pick);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  ok_ = buttons->button(QDialogButtonBox::Ok);
  ok_->setEnabled(false);
  connect(names_, &QLineEdit::textChanged, this, [this](const QString& t) { ok_->setEnabled(!t.isEmpty()); });
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(pick, &QPushButton::clicked, this, &cVkComputerNameDialog::PickComputers);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(text);
  layout->addWidget(group);
  layout->addWidget(buttons);
}

void cVkComputerNameDialog::PickComputers() { VkPickIntoField(names_, VkPickInto::kComputerList); }

QStringList cVkComputerNameDialog::Names() const { return VkSplitNames(names_->text()); }

QStringList cVkComputerNameDialog::Ask(QWidget* parent) {
  cVkComputerNameDialog dialog(parent);
  if (dialog.exec() != QDialog::Accepted) return {};
  return dialog.Names();
}
