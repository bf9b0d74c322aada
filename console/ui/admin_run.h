// Agent operations run off the user-interface thread: the work goes to a
// worker thread while the modal progress dialog shows its texts, and the
// windows (viewers included) keep repainting. Whatever the work shows the
// operator comes back to the user-interface thread (cVkConsoleQuestions).
#pragma once

#include <QPointer>
#include <atomic>
#include <functional>
#include <string_view>

#include "console/admin/operator_ui.h"
#include "console/ui/progress_dialog.h"

class QWidget;

// The progress dialog as agent operations see it, usable from any thread.
// Made and destroyed on any thread; the dialog itself lives on the
// user-interface thread.
class cVkProgressRelay : public cVkProgressWindow {
 public:
  cVkProgressRelay(QWidget* owner, std::u16string_view mainText);
  ~cVkProgressRelay() override;

  void SetMainText(std::u16string_view text) override;
  void SetProgressText(std::u16string_view text) override;
  void Hide() override;
  void Show() override;
  void OfferCancel() override;
  bool CancelRequested() const override { return cancelled_; }
  cVkProgressDialog* Dialog() const { return dialog_; }

 private:
  // Runs `step` on the dialog in the user-interface thread, in call order.
  void Post(std::function<void(cVkProgressDialog&)> step);

  QPointer<cVkProgressDialog> dialog_;
  std::atomic<bool> cancelled_{false};
};

// Runs `work` on a worker thread and handles the user-interface thread's
// events until it ends; answers what the work answered.
int32_t VkRunOffUiThread(const std::function<int32_t()>& work);

// Runs `function` on the user-interface thread and waits for it (directly
// when called there).
void VkOnUiThread(const std::function<void()>& function);
