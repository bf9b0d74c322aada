#include "console/ui/config/security_dialog.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/security_lists/service_security.h"
#include "console/ui/config/picker_button.h"
#include "console/ui/qt_text.h"

namespace {

VkAccountList ListFromField(const QString& text) {
  if (text.isEmpty()) return {};
  return VkSplitAccountList(FromQString(text));
}

}  // namespace

cVkSecurityDialog::cVkSecurityDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Service security settings"));
  auto* layout = new QVBoxLayout(this);
  auto* intro = new QLabel(
      QStringLiteral("ViewKeeper service security settings may only be modified by ViewKeeper service administrators."),
      this);
  intro->setWordWrap(true);
  layout->addWidget(intro);
  struct Group {
    const char* title;
    const char* text;
  };
  const Group groups[kLists] = {
      {"Administrators",
       "Administrators have full controll. They are allowed to give others access rights to the service."},
      {"Operators",
       "Operators can completely take over a remote machine. However they cannot change the service settings."},
      {"Users", "Users are only allowed to view the remote desktop. They cannot use the mouse or keyboard."},
  };
  for (int i = 0; i < kLists; ++i) {
    auto* group = new QGroupBox(QString::fromLatin1(groups[i].title), this);
    auto* text = new QLabel(QString::fromLatin1(groups[i].text), group);
    text->setWordWrap(true);
    fields_[i] = new QLineEdit(group);
    browse_[i] = VkMakePickerButton(group, fields_[i], QStringLiteral("..."), VkPickInto::kAccountList);
    auto* row = new QHBoxLayout;
    row->addWidget(fields_[i], 1);
    row->addWidget(browse_[i]);
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(text);
    groupLayout->addLayout(row);
    layout->addWidget(group);
    connect(fields_[i], &QLineEdit::textChanged, this, &cVkSecurityDialog::UpdateOk);
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  ok_ = buttons->button(QDialogButtonBox::Ok);
  connect(buttons, &QDialogButtonBox::accepted, this, &cVkSecurityDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
  UpdateOk();
}

void cVkSecurityDialog::UpdateOk() {
  bool filled = false;
  for (QLineEdit* field : fields_) filled = filled || !field->text().isEmpty();
  ok_->setEnabled(filled);
}

bool cVkSecurityDialog::AnyFieldEmpty() const {
  for (QLineEdit* field : fields_) {
    if (field->text().isEmpty()) return true;
  }
  return false;
}

void cVkSecurityDialog::accept() {
  if (AnyFieldEmpty()) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("ViewKeeper"),
                    QStringLiteral("One or more of the fields are left blank. Are you sure that you want to update the "
                                   "service security settings?"),
                    QMessageBox::Yes | QMessageBox::No, this);
    box.setObjectName(QStringLiteral("blankFieldsQuestion"));
    if (box.exec() != QMessageBox::Yes) return;
  }
  QDialog::accept();
}

void cVkSecurityDialog::Load(const cVkServiceSecurity& security) {
  const VkAccountList lists[kLists] = {security.GetAdministrators(), security.GetOperators(), security.GetUsers()};
  for (int i = 0; i < kLists; ++i) fields_[i]->setText(ToQString(VkJoinAccountList(lists[i])));
}

void cVkSecurityDialog::Store(cVkServiceSecurity& security) const {
  security.SetLists(ListFromField(fields_[0]->text()), ListFromField(fields_[1]->text()),
                    ListFromField(fields_[2]->text()));
}

bool cVkSecurityDialog::Edit(QWidget* parent, cVkServiceSecurity& security) {
  cVkSecurityDialog dialog(parent);
  dialog.Load(security);
  if (dialog.exec() != QDialog::Accepted) return false;
  dialog.Store(security);
  return true;
}
