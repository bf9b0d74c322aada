#include "agent/tray/tests/tray_owner.h"

#include <X11/Xlib.h>
#include <poll.h>

namespace vk::testing {

FakeTrayOwner::~FakeTrayOwner() {
  if (display_) XCloseDisplay(display_);
}

bool FakeTrayOwner::Open(const std::string& displayName) {
  display_ = XOpenDisplay(displayName.c_str());
  if (!display_) return false;
  Window root = DefaultRootWindow(display_);
  window_ = XCreateSimpleWindow(display_, root, 0, 0, 1, 1, 0, 0, 0);
  Atom selection = XInternAtom(display_, "_NET_SYSTEM_TRAY_S0", False);
  opcodeAtom_ = XInternAtom(display_, "_NET_SYSTEM_TRAY_OPCODE", False);
  XSetSelectionOwner(display_, selection, window_, CurrentTime);
  if (XGetSelectionOwner(display_, selection) != window_) return false;
  // Tell clients that a notification area is there.
  XEvent manager{};
  manager.xclient.type = ClientMessage;
  manager.xclient.window = root;
  manager.xclient.message_type = XInternAtom(display_, "MANAGER", False);
  manager.xclient.format = 32;
  manager.xclient.data.l[0] = CurrentTime;
  manager.xclient.data.l[1] = static_cast<long>(selection);
  manager.xclient.data.l[2] = static_cast<long>(window_);
  XSendEvent(display_, root, False, StructureNotifyMask, &manager);
  XSync(display_, False);
  return true;
}

unsigned long FakeTrayOwner::WaitForDockRequest(std::chrono::milliseconds timeout) {
  auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    while (XPending(display_) > 0) {
      XEvent event;
      XNextEvent(display_, &event);
      // SYSTEM_TRAY_REQUEST_DOCK is opcode 0; data.l[2] is the icon window.
      if (event.type == ClientMessage && event.xclient.message_type == opcodeAtom_ && event.xclient.data.l[1] == 0)
        docked_.push_back(static_cast<unsigned long>(event.xclient.data.l[2]));
    }
    if (!docked_.empty()) return docked_.front();
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return 0;
    pollfd p{ConnectionNumber(display_), POLLIN, 0};
    poll(&p, 1, static_cast<int>(left.count()));
  }
}

}  // namespace vk::testing
