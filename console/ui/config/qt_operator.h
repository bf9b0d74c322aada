// The agent manager's face in the console: progress dialogs, Yes/No
// questions, message boxes, the error dialog, and the question about an
// SSH host key that is not known yet.
#pragma once

#include <QPointer>
#include <QWidget>

#include "console/admin/operator_ui.h"
#include "console/ui/progress_dialog.h"
#include "platform/ssh/ssh_target.h"

class cVkQtOperator;

// A progress dialog the manager writes into; its window goes with it.
class cVkQtProgressWindow : public cVkProgressWindow {
 public:
  // While it exists, the operator's boxes hide it and show it again.
  cVkQtProgressWindow(cVkQtOperator& owner, std::u16string_view mainText);
  ~cVkQtProgressWindow() override;

  void SetMainText(std::u16string_view text) override;
  void SetProgressText(std::u16string_view text) override;
  void Hide() override;
  void Show() override;
  cVkProgressDialog* Dialog() const { return dialog_; }

 private:
  cVkQtOperator& owner_;
  cVkQtProgressWindow* previous_;
  QPointer<cVkProgressDialog> dialog_;
};

class cVkQtOperator : public cVkOperatorQuestions, public vk::ssh::HostKeyQuestion {
 public:
  explicit cVkQtOperator(QWidget* parent) : parent_(parent) {}
  void SetParent(QWidget* parent) { parent_ = parent; }
  QWidget* Parent() const { return parent_; }

  bool AskYesNo(std::u16string_view text) override;
  void ShowErrorBox(std::u16string_view text) override;
  void ShowInformationBox(std::u16string_view text) override;
  void ShowExclamationBox(std::u16string_view text) override;
  void ShowErrorDialog(std::u16string_view text, int32_t code, cOrkLog& log) override;
  std::unique_ptr<cVkProgressWindow> OpenProgressDialog(std::u16string_view mainText) override;

  bool AcceptUnknownHostKey(std::u16string_view host, std::u16string_view keyType,
                            std::u16string_view fingerprint) override;

 private:
  // The progress dialog that is open, hidden while a box is shown.
  class ProgressHidden;
  QPointer<QWidget> parent_;
  cVkQtProgressWindow* open_ = nullptr;
  friend class cVkQtProgressWindow;
};
