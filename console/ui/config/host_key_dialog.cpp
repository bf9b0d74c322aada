#include "console/ui/config/host_key_dialog.h"

#include <QPushButton>

cVkHostKeyDialog::cVkHostKeyDialog(QWidget* parent, const QString& host, const QString& keyType,
                                   const QString& fingerprint)
    : QMessageBox(parent) {
  setWindowTitle(QStringLiteral("ViewKeeper - Unknown host key"));
  setIcon(QMessageBox::Question);
  setText(QStringLiteral("The authenticity of host '%1' can't be established.").arg(host));
  setInformativeText(QStringLiteral("%1 key fingerprint is %2.\nAre you sure you want to continue connecting? "
                                    "Accepting records the key in the known hosts file.")
                         .arg(keyType.toUpper(), fingerprint));
  QPushButton* accept = addButton(QStringLiteral("&Accept"), QMessageBox::YesRole);
  QPushButton* refuse = addButton(QStringLiteral("&Refuse"), QMessageBox::NoRole);
  accept->setObjectName(QStringLiteral("accept"));
  refuse->setObjectName(QStringLiteral("refuse"));
  setDefaultButton(refuse);
  setEscapeButton(refuse);
}

bool cVkHostKeyDialog::Ask(QWidget* parent, const QString& host, const QString& keyType, const QString& fingerprint) {
  cVkHostKeyDialog dialog(parent, host, keyType, fingerprint);
  dialog.exec();
  return dialog.clickedButton() != nullptr && dialog.clickedButton()->objectName() == QStringLiteral("accept");
}
