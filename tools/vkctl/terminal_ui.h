// vkctl's face to the operator: progress lines on standard error, questions
// on the terminal (or their default answer without one), host keys.
#pragma once

#include <mutex>
#include <string>

#include "console/admin/operator_ui.h"
#include "platform/ssh/ssh_target.h"

struct VkctlOptions;

class cVkctlTerminal : public cVkOperatorQuestions, public vk::ssh::HostKeyQuestion {
 public:
  cVkctlTerminal(const VkctlOptions& options, std::string host);

  bool AskYesNo(std::u16string_view text) override;
  void ShowErrorBox(std::u16string_view text) override;
  void ShowInformationBox(std::u16string_view text) override;
  void ShowExclamationBox(std::u16string_view text) override;
  void ShowErrorDialog(std::u16string_view text, int32_t code, cOrkLog& log) override;
  std::unique_ptr<cVkProgressWindow> OpenProgressDialog(std::u16string_view mainText) override;

  bool AcceptUnknownHostKey(std::u16string_view host, std::u16string_view keyType,
                            std::u16string_view fingerprint) override;

  // A login password asked on the terminal; false without one.
  bool AskPassword(std::string& password);
  // Progress lines for this host (none when quiet or not on a terminal).
  std::unique_ptr<cVkProgressWindow> MakeProgress();
  // Lines the boxes showed, for the report.
  const std::vector<std::string>& Notes() const { return notes_; }

 private:
  void Note(std::u16string_view text);

  const VkctlOptions& options_;
  std::string host_;
  std::vector<std::string> notes_;
};

// Serialises everything vkctl writes to the terminal and standard error.
std::mutex& VkctlOutputLock();
