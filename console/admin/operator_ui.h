// What the agent manager needs of the program's front end: a progress
// window it writes into, and the questions and boxes it shows the operator.
// The console answers with Qt dialogs, vkctl on the terminal.
#pragma once

#include <memory>
#include <string_view>

class cOrkLog;

class cVkProgressWindow {
 public:
  virtual ~cVkProgressWindow() = default;
  // The operation's main text (first line).
  virtual void SetMainText(std::u16string_view text) = 0;
  // A progress text ("Progress: ...", second line).
  virtual void SetProgressText(std::u16string_view text) = 0;
  virtual void Hide() = 0;
  virtual void Show() = 0;
  // A run over several computers lets the operator cancel it: the window
  // offers a Cancel button, and the run asks between computers whether it
  // was pressed. Windows without one never report a cancel.
  virtual void OfferCancel() {}
  virtual bool CancelRequested() const { return false; }
};

// True when the run was cancelled through its progress window.
inline bool VkCancelRequested(const cVkProgressWindow* window) {
  return window != nullptr && window->CancelRequested();
}

class cVkOperatorQuestions {
 public:
  virtual ~cVkOperatorQuestions() = default;
  // Yes/No with an exclamation icon; true for Yes.
  virtual bool AskYesNo(std::u16string_view text) = 0;
  virtual void ShowErrorBox(std::u16string_view text) = 0;
  virtual void ShowInformationBox(std::u16string_view text) = 0;
  virtual void ShowExclamationBox(std::u16string_view text) = 0;
  // The error dialog: a text, the failure's code and the log behind it.
  virtual void ShowErrorDialog(std::u16string_view text, int32_t code, cOrkLog& log) = 0;
  // A progress dialog for an operation that was given none.
  virtual std::unique_ptr<cVkProgressWindow> OpenProgressDialog(std::u16string_view mainText) = 0;
};

// Writes a progress text when there is a window.
inline void VkProgress(cVkProgressWindow* window, std::u16string_view text) {
  if (window != nullptr) window->SetProgressText(text);
}
