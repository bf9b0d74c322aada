// An Xvfb server of the test's own, on a display number it picks itself.
#pragma once

#include <sys/types.h>

#include <string>

namespace vk::testing {

class XvfbServer {
 public:
  XvfbServer() = default;
  ~XvfbServer() { Stop(); }
  XvfbServer(const XvfbServer&) = delete;
  XvfbServer& operator=(const XvfbServer&) = delete;

  // geometry like "1280x800x24"; false when Xvfb did not come up in time.
  bool Start(const std::string& geometry = "1280x800x24") { return StartOn({}, geometry); }
  // On the display named (":N"); empty: the first free one.
  bool StartOn(const std::string& display, const std::string& geometry);
  void Stop();
  const std::string& DisplayName() const { return displayName_; }

 private:
  pid_t pid_ = -1;
  std::string displayName_;
};

// A display name (":N") that no server uses now, far above the numbers that
// servers started with -displayfd take, so that a server started on it
// later does not race them.
std::string UnusedDisplayName();

}  // namespace vk::testing
