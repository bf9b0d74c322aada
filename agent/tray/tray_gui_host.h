// The tray's GUI thread: a QApplication on the agent's display with the
// tray GUI. Other threads reach it only through the posting calls below.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "agent/tray/tray_manager.h"

class QApplication;
class cVkTrayGui;

class cVkTrayGuiHost {
 public:
  // On the GUI thread: creates the application and the GUI.
  cVkTrayGuiHost(cVkTrayManager& manager, const std::string& displayName);
  ~cVkTrayGuiHost();
  cVkTrayGuiHost(const cVkTrayGuiHost&) = delete;
  cVkTrayGuiHost& operator=(const cVkTrayGuiHost&) = delete;

  // On the GUI thread: runs the event loop until Quit.
  void Run();

  // From any thread (queued to the GUI thread).
  void Quit();
  void Show(const cVkTrayState& state);
  void Ask(uint64_t id);
  void CloseQuestion(uint64_t id);
  // Runs fn on the GUI thread and waits for it (tests drive widgets so).
  void RunOnGui(const std::function<void(cVkTrayGui&)>& fn);

 private:
  std::vector<std::string> argStorage_;
  std::vector<char*> argv_;
  int argc_ = 0;
  class ManagerEvents;
  std::unique_ptr<QApplication> app_;
  std::unique_ptr<ManagerEvents> events_;
  std::unique_ptr<cVkTrayGui> gui_;
};
