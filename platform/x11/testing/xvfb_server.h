// A private Xvfb for tests: started with -displayfd (so parallel tests never
// pick the same display) and -noreset, stopped when the object goes.
#pragma once

#include <string>

namespace vk::x11::testing {

class XvfbServer {
 public:
  // Starts Xvfb with one screen of width x height x depth; sets DISPLAY for
  // this process when `exportDisplay` is true. With `authFile` the server
  // admits only clients with a cookie of that file.
  XvfbServer(int width, int height, int depth = 24, bool exportDisplay = true, const std::string& authFile = {});
  ~XvfbServer();
  XvfbServer(const XvfbServer&) = delete;
  XvfbServer& operator=(const XvfbServer&) = delete;

  bool Running() const { return pid_ > 0; }
  const std::string& DisplayName() const { return display_; }  // ":N"
  int Pid() const { return pid_; }
  void Stop();

 private:
  int pid_ = -1;
  std::string display_;
};

}  // namespace vk::x11::testing
