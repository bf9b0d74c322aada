#include "tools/vkctl/terminal_ui.h"

#include <cstdio>

#include "log/orklog.h"
#include "platform/core/text.h"
#include "platform/terminal/terminal.h"
#include "tools/vkctl/options.h"

namespace {

class StderrProgress : public cVkProgressWindow {
 public:
  explicit StderrProgress(std::string host) : host_(std::move(host)) {}
  void SetMainText(std::u16string_view text) override { Print(text); }
  void SetProgressText(std::u16string_view text) override { Print(text); }
  void Hide() override {}
  void Show() override {}

 private:
  void Print(std::u16string_view text) {
    std::lock_guard guard(VkctlOutputLock());
    std::fprintf(stderr, "%s: %s\n", host_.c_str(), vk::ToUtf8(text).c_str());
  }
  std::string host_;
};

}  // namespace

std::mutex& VkctlOutputLock() {
  static std::mutex lock;
  return lock;
}

cVkctlTerminal::cVkctlTerminal(const VkctlOptions& options, std::string host)
    : options_(options), host_(std::move(host)) {}

void cVkctlTerminal::Note(std::u16string_view text) {
  notes_.push_back(vk::ToUtf8(text));
  if (options_.json) return;
  std::lock_guard guard(VkctlOutputLock());
  std::fprintf(stderr, "%s: %s\n", host_.c_str(), notes_.back().c_str());
}

bool cVkctlTerminal::AskYesNo(std::u16string_view text) {
  if (options_.yes) {
    Note(std::u16string(text) + u" [answered Yes by --yes]");
    return true;
  }
  std::lock_guard guard(VkctlOutputLock());
  std::string answer;
  bool asked = vk::terminal::AskLine(host_ + ": " + vk::ToUtf8(text) + " [y/N] ", answer);
  bool yes = asked && (answer == "y" || answer == "Y" || answer == "yes");
  notes_.push_back(vk::ToUtf8(text) + (yes ? " [Yes]" : asked ? " [No]" : " [No: no terminal, use --yes]"));
  return yes;
}

void cVkctlTerminal::ShowErrorBox(std::u16string_view text) { Note(text); }
void cVkctlTerminal::ShowInformationBox(std::u16string_view text) { Note(text); }
void cVkctlTerminal::ShowExclamationBox(std::u16string_view text) { Note(text); }
void cVkctlTerminal::ShowErrorDialog(std::u16string_view text, int32_t, cOrkLog&) { Note(text); }

std::unique_ptr<cVkProgressWindow> cVkctlTerminal::OpenProgressDialog(std::u16string_view mainText) {
  std::unique_ptr<cVkProgressWindow> progress = MakeProgress();
  if (progress != nullptr) progress->SetMainText(mainText);
  return progress;
}

std::unique_ptr<cVkProgressWindow> cVkctlTerminal::MakeProgress() {
  if (options_.quiet || !vk::terminal::IsTerminal(2)) return nullptr;
  return std::make_unique<StderrProgress>(host_);
}

bool cVkctlTerminal::AcceptUnknownHostKey(std::u16string_view host, std::u16string_view keyType,
                                          std::u16string_view fingerprint) {
  std::string what = "The authenticity of host '" + vk::ToUtf8(host) + "' can't be established.\n" +
                     vk::ToUtf8(keyType) + " key fingerprint is " + vk::ToUtf8(fingerprint) + ".\n";
  if (options_.acceptNewHostKeys) {
    notes_.push_back(what + "Accepted by --accept-new-host-keys.");
    return true;
  }
  std::lock_guard guard(VkctlOutputLock());
  std::string answer;
  bool asked = vk::terminal::AskLine(what + "Are you sure you want to continue connecting (yes/no)? ", answer);
  return asked && answer == "yes";
}

bool cVkctlTerminal::AskPassword(std::string& password) {
  std::lock_guard guard(VkctlOutputLock());
  return vk::terminal::AskSecret(host_ + ": password: ", password) && !password.empty();
}
