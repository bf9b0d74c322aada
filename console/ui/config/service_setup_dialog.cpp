#include "console/ui/config/service_setup_dialog.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "console/admin/deployment_flows.h"
#include "console/ui/config/picker_button.h"
#include "console/ui/qt_text.h"

cVkServiceSetupDialog::cVkServiceSetupDialog(QWidget* parent, const QStringList& computers, const QString& directory,
                                             cVkServiceSetupActions actions)
    : QDialog(parent), actions_(std::move(actions)) {
  setWindowTitle(QStringLiteral("ViewKeeper - Service Setup"));
  auto* intro = new QLabel(QStringLiteral("This is the service setup dialog. Click on the advanced button to specify "
                                          "additional service installation parameters."),
                           this);
  intro->setWordWrap(true);

  auto* targets = new QGroupBox(QStringLiteral("Target computers"), this);
  computers_ = new QLineEdit(computers.join(QLatin1Char(',')), targets);
  browse_ = VkMakePickerButton(targets, computers_, QStringLiteral("..."), VkPickInto::kComputerList);
  auto* targetRow = new QHBoxLayout(targets);
  targetRow->addWidget(new QLabel(QStringLiteral("Computer name(s):"), targets));
  targetRow->addWidget(computers_, 1);
  targetRow->addWidget(browse_);

  auto* folder = new QGroupBox(QStringLiteral("Service directory (new service installation only)"), this);
  directory_ = new QLineEdit(directory, folder);
  auto* folderRow = new QHBoxLayout(folder);
  folderRow->addWidget(new QLabel(QStringLiteral("Directory:"), folder));
  folderRow->addWidget(directory_, 1);

  install_ = new QPushButton(QStringLiteral("&Install/Upgrade"), this);
  remove_ = new QPushButton(QStringLiteral("&Remove"), this);
  help_ = new QPushButton(QStringLiteral("&Help"), this);
  auto* close = new QPushButton(QStringLiteral("&Close"), this);
  auto* buttons = new QHBoxLayout;
  for (QPushButton* button : {install_, remove_, help_}) buttons->addWidget(button);
  buttons->addStretch(1);
  buttons->addWidget(close);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(intro);
  layout->addWidget(targets);
  layout->addWidget(folder);
  layout->addLayout(buttons);

  connect(computers_, &QLineEdit::textChanged, this, &cVkServiceSetupDialog::UpdateButtons);
  connect(install_, &QPushButton::clicked, this, [this] {
    if (actions_.install) actions_.install(Computers(), FromQString(directory_->text()));
  });
  connect(remove_, &QPushButton::clicked, this, [this] {
    if (actions_.remove) actions_.remove(Computers());
  });
  connect(help_, &QPushButton::clicked, this, [this] {
    if (actions_.help) actions_.help();
  });
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  UpdateButtons();
}

std::vector<std::u16string> cVkServiceSetupDialog::Computers() const {
  return VkSplitComputerList(FromQString(computers_->text()));
}

void cVkServiceSetupDialog::UpdateButtons() {
  const bool named = !Computers().empty();
  install_->setEnabled(named);
  remove_->setEnabled(named);
}
