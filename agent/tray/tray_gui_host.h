// The tray's widgets in this process, on a display this process can open
// (no user switch, no helper): a GUI thread of its own runs a QApplication
// with the tray GUI once the display accepts connections. Other threads
// reach the widgets only through the posting calls below.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "agent/tray/tray_presenter.h"
#include "platform/core/worker_thread.h"

class QApplication;
class cVkTrayGui;

class cVkTrayGuiHost final : public iVkTrayPresenter {
 public:
  // displayName empty: $DISPLAY.
  cVkTrayGuiHost(cVkTrayHelperEvents& events, std::string displayName);
  ~cVkTrayGuiHost() override;
  cVkTrayGuiHost(const cVkTrayGuiHost&) = delete;
  cVkTrayGuiHost& operator=(const cVkTrayGuiHost&) = delete;

  // Starts the GUI thread; succeeds without a display (the GUI follows once
  // the display is there).
  int32_t Start(cOrkLog& log) override;
  void Stop() override;

  // From any thread (queued to the GUI thread; dropped while there is none).
  void Show(const cVkTrayState& state, const cVkViewerInfo& viewer) override;
  void Ask(uint64_t id) override;
  void CloseQuestion(uint64_t id) override;

  // Runs fn on the GUI thread and waits for it (tests drive widgets so);
  // false while there is no GUI.
  bool RunOnGui(const std::function<void(cVkTrayGui&)>& fn);
  void SetDisplayRetryInterval(std::chrono::milliseconds interval) { displayRetry_ = interval; }

 private:
  class Gui;
  int32_t GuiThread(vk::ManualResetEvent& stop);
  bool WaitForDisplay(vk::ManualResetEvent& stop);
  void Post(const std::function<void(cVkTrayGui&)>& fn);

  cVkTrayHelperEvents& events_;
  const std::string displayName_;
  std::chrono::milliseconds displayRetry_{2000};
  std::mutex lock_;  // guards gui_
  Gui* gui_ = nullptr;
  vk::WorkerThread thread_;
};
