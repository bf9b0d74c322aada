// The agent's end of the link to its tray helper: the helper program runs
// in the user's session as that user; the agent sends what the tray shows
// and the question, the helper sends the person's answers and menu choices.
//
// The helper is not trusted. A frame it sends that does not pass the
// link's checks ends the link (the helper is stopped); a helper that no
// longer reads is treated the same way. Events arrive on the link's reader
// thread and must not wait for the link's owner.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "common/traylink/tray_link.h"
#include "platform/core/worker_thread.h"
#include "platform/process/user_process.h"

class cVkTrayHelperLink {
 public:
  enum class End { HelperGone, Malformed, NotReading };
  struct Events {
    std::function<void(const vk::traylink::TrayMessage&)> message;
    std::function<void(End)> ended;  // once
  };

  // Starts the helper and its reader; 0 or a Win32 code.
  static int32_t Start(const vk::UserProcessLaunch& helper, Events events, std::unique_ptr<cVkTrayHelperLink>* link);
  // Stops the helper (a Quit first) and the reader.
  ~cVkTrayHelperLink();
  cVkTrayHelperLink(const cVkTrayHelperLink&) = delete;
  cVkTrayHelperLink& operator=(const cVkTrayHelperLink&) = delete;

  // False once the link has ended.
  bool Send(const vk::traylink::TrayMessage& message);
  bool Ended() const;
  int HelperPid() const;

 private:
  // What the reader thread uses: shared with it, so that a reader the stop
  // gave up on never touches a destroyed link.
  struct State;
  explicit cVkTrayHelperLink(std::shared_ptr<State> state);

  std::shared_ptr<State> state_;
  vk::WorkerThread reader_;
};
