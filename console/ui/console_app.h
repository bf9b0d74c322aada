// The console application: start (start-up log, sockets, the data files,
// the main window, the command line's viewer) and exit, in that order.
#pragma once

#include <memory>

#include "console/core/command_line.h"
#include "console/ui/main_frame.h"
#include "log/orklog.h"

class cVkConsoleApp {
 public:
  cVkConsoleApp();
  ~cVkConsoleApp();

  // Everything up to the shown main window; `options` from the command line.
  int32_t Start(const VkConsoleOptions& options, std::u16string password);
  CMainFrame* MainFrame() const { return frame_.get(); }
  cVkConsoleState& State() { return state_; }
  cOrkLog& StartupLog() { return startup_; }

  // The data folder: $XDG_DATA_HOME/ViewKeeper/ (~/.local/share/ViewKeeper/).
  static std::u16string DataFolder();
  // The folder of the running program, with a final "/".
  static std::u16string ProgramFolder();

 private:
  cOrkLog startup_;
  cVkConsoleState state_;
  std::unique_ptr<CMainFrame> frame_;
};
