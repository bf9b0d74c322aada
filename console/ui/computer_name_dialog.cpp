#include "console/ui/computer_name_dialog.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

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
  connect(pick, &QPushButton::clicked, this, [this] {
    QMessageBox::information(this, QStringLiteral("ViewKeeper"),
                             QStringLiteral("Picking computers from the network is not available yet. Please type "
                                            "the computer names, separated by \",\"."));
  });
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(text);
  layout->addWidget(group);
  layout->addWidget(buttons);
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
