// The console application: start (start-up log, sockets, the data files,
// the main window, the command line's viewer) and exit, in that order.
#pragma once

#include <memory>

#include "console/admin/credential_connector.h"
#include "console/admin/ssh_rpc_binder.h"
#include "console/core/command_line.h"
#include "console/ui/console_questions.h"
#include "console/ui/main_frame.h"
#include "log/orklog.h"

class cVkConsoleApp {
 public:
  // `ssh`: how the agent manager reaches computers (by default as the ssh
  // command does for this user: ~/.ssh/config, keys, known_hosts; for a
  // computer the wizard was given an account for, with that account).
  explicit cVkConsoleApp(const vk::ssh::SshTarget& ssh = {});
  // Program exit: the windows go first, then sockets, then SM.dat is saved.
  ~cVkConsoleApp();

  // Everything up to the shown main window; `options` from the command line.
  // Without a computer to connect to, the wizard follows once the window
  // shows, when "ShowWizard" asks for it.
  int32_t Start(const VkConsoleOptions& options, std::u16string password);
  CMainFrame* MainFrame() const { return frame_.get(); }
  cVkConsoleState& State() { return state_; }
  cOrkLog& StartupLog() { return startup_; }

  // The data folder: $XDG_DATA_HOME/ViewKeeper/ (~/.local/share/ViewKeeper/).
  static std::u16string DataFolder();
  // The folder of the running program, with a final "/".
  static std::u16string ProgramFolder();

 private:
  void LoadAgentRecords();
  void SaveAgentRecords();

  cOrkLog startup_;
  cVkConsoleQuestions questions_;
  cVkCredentialConnector connector_;
  cVkSshRpcBinder binder_;
  cVkConsoleState state_;
  std::unique_ptr<CMainFrame> frame_;
  bool started_ = false;
};
