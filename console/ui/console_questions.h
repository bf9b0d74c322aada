// The console's answers to what agent operations ask or show: Qt message
// boxes, the error dialog and the progress dialog, on the user-interface
// thread whichever thread the operation runs on; the progress dialog that is
// open steps aside while a box is up. Also the question about an SSH host
// key that known_hosts does not hold yet.
#pragma once

#include <QPointer>
#include <QWidget>
#include <mutex>

#include "console/admin/operator_ui.h"
#include "platform/ssh/ssh_target.h"

class cVkConsoleQuestions : public cVkOperatorQuestions, public vk::ssh::HostKeyQuestion {
 public:
  // Boxes and dialogs open over `owner` (the main window once it exists).
  void SetOwner(QWidget* owner) { owner_ = owner; }
  QWidget* Owner() const { return owner_; }

  bool AskYesNo(std::u16string_view text) override;
  void ShowErrorBox(std::u16string_view text) override;
  void ShowInformationBox(std::u16string_view text) override;
  void ShowExclamationBox(std::u16string_view text) override;
  void ShowErrorDialog(std::u16string_view text, int32_t code, cOrkLog& log) override;
  std::unique_ptr<cVkProgressWindow> OpenProgressDialog(std::u16string_view mainText) override;

  bool AcceptUnknownHostKey(std::u16string_view host, std::u16string_view keyType,
                            std::u16string_view fingerprint) override;

 private:
  class Progress;
  class ProgressHidden;
  friend class Progress;

  QPointer<QWidget> owner_;
  std::mutex lock_;
  Progress* open_ = nullptr;  // the latest progress dialog opened here
};
