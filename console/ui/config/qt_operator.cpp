#include "console/ui/config/qt_operator.h"

#include <QMessageBox>

#include "console/ui/progress_dialog.h"

#include "console/ui/config/host_key_dialog.h"
#include "console/ui/error_dialog.h"
#include "console/ui/progress_dialog.h"
#include "console/ui/qt_text.h"

namespace {

const QString kCaption = QStringLiteral("ViewKeeper");

}  // namespace

// Hides the open progress dialog while a box is up and shows it again.
class cVkQtOperator::ProgressHidden {
 public:
  explicit ProgressHidden(cVkQtOperator& owner) : window_(owner.open_) {
    if (window_ != nullptr) window_->Hide();
  }
  ~ProgressHidden() {
    if (window_ != nullptr) window_->Show();
  }

 private:
  cVkQtProgressWindow* window_;
};

cVkQtProgressWindow::cVkQtProgressWindow(cVkQtOperator& owner, std::u16string_view mainText)
    : owner_(owner), previous_(owner.open_), dialog_(new cVkProgressDialog(owner.Parent())) {
  if (previous_ != nullptr) previous_->Hide();
  owner_.open_ = this;
  dialog_->SetOperation(ToQString(mainText));
}

cVkQtProgressWindow::~cVkQtProgressWindow() {
  delete dialog_;
  owner_.open_ = previous_;
  if (previous_ != nullptr) previous_->Show();
}

void cVkQtProgressWindow::SetMainText(std::u16string_view text) {
  if (dialog_) dialog_->SetOperation(ToQString(text));
}

void cVkQtProgressWindow::SetProgressText(std::u16string_view text) {
  if (dialog_) dialog_->ShowProgress(text);
}

void cVkQtProgressWindow::Hide() {
  if (dialog_) dialog_->HideForQuestion();
}

void cVkQtProgressWindow::Show() {
  if (dialog_) dialog_->ShowAgain();
}

bool cVkQtOperator::AskYesNo(std::u16string_view text) {
  ProgressHidden hidden(*this);
  QMessageBox box(QMessageBox::Warning, kCaption, ToQString(text), QMessageBox::Yes | QMessageBox::No, parent_);
  return box.exec() == QMessageBox::Yes;
}

void cVkQtOperator::ShowErrorBox(std::u16string_view text) {
  ProgressHidden hidden(*this);
  QMessageBox::critical(parent_, kCaption, ToQString(text));
}

void cVkQtOperator::ShowInformationBox(std::u16string_view text) {
  ProgressHidden hidden(*this);
  QMessageBox::information(parent_, kCaption, ToQString(text));
}

void cVkQtOperator::ShowExclamationBox(std::u16string_view text) {
  ProgressHidden hidden(*this);
  QMessageBox::warning(parent_, kCaption, ToQString(text));
}

void cVkQtOperator::ShowErrorDialog(std::u16string_view text, int32_t code, cOrkLog& log) {
  ProgressHidden hidden(*this);
  cVkErrorDialog::Show(parent_, ToQString(text), log, code);
}

std::unique_ptr<cVkProgressWindow> cVkQtOperator::OpenProgressDialog(std::u16string_view mainText) {
  return std::make_unique<cVkQtProgressWindow>(*this, mainText);
}

bool cVkQtOperator::AcceptUnknownHostKey(std::u16string_view host, std::u16string_view keyType,
                                         std::u16string_view fingerprint) {
  ProgressHidden hidden(*this);
  return cVkHostKeyDialog::Ask(parent_, ToQString(host), ToQString(keyType), ToQString(fingerprint));
}
