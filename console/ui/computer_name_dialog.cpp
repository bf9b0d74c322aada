#include "console/ui/computer_name_dialog.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "console/ui/console_app.h"
#include "console/ui/qt_text.h"
#include "netpicker/netpicker.h"

QString MergePickedComputers(const QStringList& typed, const VkNetworkObject* picked, uint32_t count) {
  QStringList names = typed;
  for (uint32_t i = 0; i < count; ++i) {
    if (picked[i].kind != VK_PICKED_COMPUTER || picked[i].name == nullptr) continue;
    const QString name = ToQString(picked[i].name);
    if (!names.contains(name, Qt::CaseInsensitive)) names.append(name);
  }
  return names.join(QLatin1Char(','));
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

void cVkComputerNameDialog::PickComputers() {
  uint32_t count = 0;
  VkNetworkObject* picked = nullptr;
  const std::u16string treeFile = cVkConsoleApp::DataFolder() + u"Browse.dat";
  if (VkSelectNetworkObjects(VK_PICKER_ICON_COMPUTERS, treeFile.c_str(), &count, &picked) == 1 && count != 0)
    names_->setText(MergePickedComputers(Names(), picked, count));
  FreeData(picked, count);
}

QStringList cVkComputerNameDialog::Names() const {
  QStringList names;
  for (const QString& part : names_->text().split(QLatin1Char(','))) {
    const QString name = part.trimmed();
    if (!name.isEmpty()) names.append(name);
  }
  return names;
}

QStringList cVkComputerNameDialog::Ask(QWidget* parent) {
  cVkComputerNameDialog dialog(parent);
  if (dialog.exec() != QDialog::Accepted) return {};
  return dialog.Names();
}
