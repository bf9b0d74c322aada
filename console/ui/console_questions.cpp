#include "console/ui/console_questions.h"

#include <QMessageBox>

#include "console/ui/admin_run.h"
#include "console/ui/error_dialog.h"
#include "console/ui/qt_text.h"
#include "log/format.h"

namespace {

const QString kCaption = QStringLiteral("ViewKeeper");

}  // namespace

bool cVkConsoleQuestions::AskYesNo(std::u16string_view text) {
  const QString question = ToQString(text);
  bool yes = false;
  VkOnUiThread([&] {
    yes = QMessageBox::warning(owner_, kCaption, question, QMessageBox::Yes | QMessageBox::No, QMessageBox::No) ==
          QMessageBox::Yes;
  });
  return yes;
}

void cVkConsoleQuestions::ShowErrorBox(std::u16string_view text) {
  const QString box = ToQString(text);
  VkOnUiThread([&] { QMessageBox::critical(owner_, kCaption, box); });
}

void cVkConsoleQuestions::ShowInformationBox(std::u16string_view text) {
  const QString box = ToQString(text);
  VkOnUiThread([&] { QMessageBox::information(owner_, kCaption, box); });
}

void cVkConsoleQuestions::ShowExclamationBox(std::u16string_view text) {
  const QString box = ToQString(text);
  VkOnUiThread([&] { QMessageBox::warning(owner_, kCaption, box); });
}

void cVkConsoleQuestions::ShowErrorDialog(std::u16string_view text, int32_t code, cOrkLog& log) {
  const QString message = ToQString(text);
  // The dialog copies the log while the operation waits.
  VkOnUiThread([&] { cVkErrorDialog::Show(owner_, message, log, code); });
}

std::unique_ptr<cVkProgressWindow> cVkConsoleQuestions::OpenProgressDialog(std::u16string_view mainText) {
  return std::make_unique<cVkProgressRelay>(owner_, mainText);
}

bool cVkConsoleQuestions::AcceptUnknownHostKey(std::u16string_view host, std::u16string_view keyType,
                                               std::u16string_view fingerprint) {
  const QString question = ToQString(vk::Format(
      u"The authenticity of host '%s' can't be established.\n%s key fingerprint is %s.\nAre you sure you want to "
      u"continue connecting?",
      host, keyType, fingerprint));
  bool yes = false;
  VkOnUiThread([&] {
    yes = QMessageBox::question(owner_, kCaption, question, QMessageBox::Yes | QMessageBox::No, QMessageBox::No) ==
          QMessageBox::Yes;
  });
  return yes;
}
