#include "console/ui/console_questions.h"

#include <QMessageBox>

#include "console/ui/admin_run.h"
#include "console/ui/config/host_key_dialog.h"
#include "console/ui/error_dialog.h"
#include "console/ui/qt_text.h"

namespace {

const QString kCaption = QStringLiteral("ViewKeeper");

}  // namespace

// A progress dialog opened through the questions: the one a box hides.
class cVkConsoleQuestions::Progress : public cVkProgressRelay {
 public:
  Progress(cVkConsoleQuestions& owner, std::u16string_view mainText)
      : cVkProgressRelay(owner.owner_, mainText), owner_(owner) {
    std::lock_guard<std::mutex> guard(owner_.lock_);
    previous_ = owner_.open_;
    owner_.open_ = this;
  }
  ~Progress() override {
    std::lock_guard<std::mutex> guard(owner_.lock_);
    if (owner_.open_ == this) owner_.open_ = previous_;
  }

 private:
  cVkConsoleQuestions& owner_;
  Progress* previous_ = nullptr;
};

// Hides the open progress dialog while a box is up and shows it again.
class cVkConsoleQuestions::ProgressHidden {
 public:
  explicit ProgressHidden(cVkConsoleQuestions& owner) : owner_(owner) {
    std::lock_guard<std::mutex> guard(owner_.lock_);
    window_ = owner_.open_;
    if (window_ != nullptr) window_->Hide();
  }
  ~ProgressHidden() {
    std::lock_guard<std::mutex> guard(owner_.lock_);
    if (window_ != nullptr && window_ == owner_.open_) window_->Show();
  }

 private:
  cVkConsoleQuestions& owner_;
  Progress* window_ = nullptr;
};

bool cVkConsoleQuestions::AskYesNo(std::u16string_view text) {
  const QString question = ToQString(text);
  ProgressHidden hidden(*this);
  bool yes = false;
  VkOnUiThread([&] {
    yes = QMessageBox::warning(owner_, kCaption, question, QMessageBox::Yes | QMessageBox::No, QMessageBox::No) ==
          QMessageBox::Yes;
  });
  return yes;
}

void cVkConsoleQuestions::ShowErrorBox(std::u16string_view text) {
  const QString box = ToQString(text);
  ProgressHidden hidden(*this);
  VkOnUiThread([&] { QMessageBox::critical(owner_, kCaption, box); });
}

void cVkConsoleQuestions::ShowInformationBox(std::u16string_view text) {
  const QString box = ToQString(text);
  ProgressHidden hidden(*this);
  VkOnUiThread([&] { QMessageBox::information(owner_, kCaption, box); });
}

void cVkConsoleQuestions::ShowExclamationBox(std::u16string_view text) {
  const QString box = ToQString(text);
  ProgressHidden hidden(*this);
  VkOnUiThread([&] { QMessageBox::warning(owner_, kCaption, box); });
}

void cVkConsoleQuestions::ShowErrorDialog(std::u16string_view text, int32_t code, cOrkLog& log) {
  const QString message = ToQString(text);
  ProgressHidden hidden(*this);
  // The dialog copies the log while the operation waits.
  VkOnUiThread([&] { cVkErrorDialog::Show(owner_, message, log, code); });
}

std::unique_ptr<cVkProgressWindow> cVkConsoleQuestions::OpenProgressDialog(std::u16string_view mainText) {
  return std::make_unique<Progress>(*this, mainText);
}

bool cVkConsoleQuestions::AcceptUnknownHostKey(std::u16string_view host, std::u16string_view keyType,
                                               std::u16string_view fingerprint) {
  const QString name = ToQString(host), type = ToQString(keyType), print = ToQString(fingerprint);
  ProgressHidden hidden(*this);
  bool yes = false;
  VkOnUiThread([&] { yes = cVkHostKeyDialog::Ask(owner_, name, type, print); });
  return yes;
}
