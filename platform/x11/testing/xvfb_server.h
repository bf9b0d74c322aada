// A private Xvfb for tests: on a display number it picks itself
// (-displayfd, so parallel tests never collide) or on one given, with
// -noreset, without TCP, holding none of the test's descriptors, and ended by
// the kernel when the test process dies (PR_SET_PDEATHSIG), even on a crash.
#pragma once

#include <sys/types.h>

#include <string>

namespace vk::testing {

class XvfbServer {
 public:
  XvfbServer() = default;
  // Starts at once with one screen of width x height x depth; sets DISPLAY
  // for this process when `exportDisplay` is true. With `authFile` the
  // server admits only clients with a cookie of that file. Running() tells
  // success.
  XvfbServer(int width, int height, int depth = 24, bool exportDisplay = true, const std::string& authFile = {});
  ~XvfbServer() { Stop(); }
  XvfbServer(const XvfbServer&) = delete;
  XvfbServer& operator=(const XvfbServer&) = delete;

  // geometry like "1280x800x24"; false when Xvfb did not come up in time.
  bool Start(const std::string& geometry = "1280x800x24") { return StartOn({}, geometry); }
  // On the display named (":N"); empty: one of its own.
  bool StartOn(const std::string& display, const std::string& geometry, const std::string& authFile = {});
  // On a display of a private mount and network namespace (its own
  // /tmp/.X11-unix): no lock file in the machine's /tmp, so a fixed number
  // such as ":0" collides with no server outside.
  bool StartPrivateOn(const std::string& display, const std::string& geometry);
  void Stop();
  // Stops the server process (SIGSTOP) and lets it go on: a server that
  // accepts connections but answers nothing.
  void Pause();
  void Resume();

  bool Running() const { return pid_ > 0; }
  const std::string& DisplayName() const { return displayName_; }  // ":N"
  pid_t Pid() const { return pid_; }

 private:
  bool Launch(const std::string& display, const std::string& geometry, const std::string& authFile, bool lock);

  pid_t pid_ = -1;
  std::string displayName_;
};

// A display name (":N") that no server uses now, far above the numbers that
// servers started with -displayfd take, so that a server started on it
// later does not race them.
std::string UnusedDisplayName();

// A display name at which no server can ever answer: a socket path in a
// folder of this process's own that holds nothing.
std::string NoServerDisplayName();

}  // namespace vk::testing
