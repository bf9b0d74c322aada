#include "platform/xtest/tests/event_recorder.h"

#include <X11/XKBlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XInput2.h>
#include <X11/extensions/XTest.h>
#include <poll.h>

#include <cstring>

namespace vk::testing {

EventRecorder::~EventRecorder() {
  if (display_) XCloseDisplay(display_);
}

bool EventRecorder::Open(const std::string& displayName) {
  display_ = XOpenDisplay(displayName.c_str());
  if (!display_) return false;
  int screen = DefaultScreen(display_);
  XSetWindowAttributes attributes{};
  attributes.override_redirect = True;
  attributes.event_mask =
      KeyPressMask | KeyReleaseMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | StructureNotifyMask;
  window_ = XCreateWindow(display_, RootWindow(display_, screen), 0, 0, DisplayWidth(display_, screen),
                          DisplayHeight(display_, screen), 0, CopyFromParent, InputOutput, CopyFromParent,
                          CWOverrideRedirect | CWEventMask, &attributes);
  XMapRaised(display_, window_);
  XEvent event;
  do {
    XWindowEvent(display_, window_, StructureNotifyMask, &event);
  } while (event.type != MapNotify);
  XSetInputFocus(display_, window_, RevertToParent, CurrentTime);
  // Follow keyboard map changes (keys bound to spare keycodes) as toolkits do.
  int opcode, error, major = XkbMajorVersion, minor = XkbMinorVersion;
  if (XkbQueryExtension(display_, &opcode, &xkbEventBase_, &error, &major, &minor))
    XkbSelectEvents(display_, XkbUseCoreKbd, XkbMapNotifyMask, XkbMapNotifyMask);
  XSync(display_, False);
  return true;
}

void EventRecorder::ReadPending() {
  while (XPending(display_) > 0) {
    XEvent event;
    XNextEvent(display_, &event);
    RecordedEvent record;
    record.type = event.type;
    if (xkbEventBase_ >= 0 && event.type == xkbEventBase_) {
      auto* xkb = reinterpret_cast<XkbEvent*>(&event);
      if (xkb->any.xkb_type == XkbMapNotify) XkbRefreshKeyboardMapping(&xkb->map);
      continue;
    }
    switch (event.type) {
      case MappingNotify:
        XRefreshKeyboardMapping(&event.xmapping);
        continue;
      case KeyPress:
      case KeyRelease: {
        record.keycode = event.xkey.keycode;
        record.state = event.xkey.state;
        char buffer[16];
        KeySym keysym = NoSymbol;
        int n = XLookupString(&event.xkey, buffer, sizeof buffer, &keysym, nullptr);
        record.keysym = keysym;
        record.text.assign(buffer, n > 0 ? static_cast<size_t>(n) : 0);
        record.x = event.xkey.x_root;
        record.y = event.xkey.y_root;
        break;
      }
      case ButtonPress:
      case ButtonRelease:
        record.button = event.xbutton.button;
        record.state = event.xbutton.state;
        record.x = event.xbutton.x_root;
        record.y = event.xbutton.y_root;
        break;
      case MotionNotify:
        record.state = event.xmotion.state;
        record.x = event.xmotion.x_root;
        record.y = event.xmotion.y_root;
        break;
      default:
        continue;
    }
    events_.push_back(record);
  }
}

bool EventRecorder::WaitFor(const std::function<bool(const std::vector<RecordedEvent>&)>& pred,
                            std::chrono::milliseconds timeout) {
  auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    ReadPending();
    if (pred(events_)) return true;
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    pollfd p{ConnectionNumber(display_), POLLIN, 0};
    poll(&p, 1, static_cast<int>(left.count()));
  }
}

void EventRecorder::Drain() {
  XSync(display_, False);
  ReadPending();
}

bool EventRecorder::TypeLocally(unsigned long keysym) {
  const KeyCode keycode = XKeysymToKeycode(display_, keysym);
  if (keycode == 0) return false;
  XTestFakeKeyEvent(display_, keycode, True, CurrentTime);
  XTestFakeKeyEvent(display_, keycode, False, CurrentTime);
  XSync(display_, False);
  return true;
}

namespace {

// A keyboard other than XTest's, attached or (grabbed by a client) floating.
bool IsPhysicalKeyboard(const XIDeviceInfo& device) {
  if (device.use != XISlaveKeyboard && device.use != XIFloatingSlave) return false;
  if (std::strstr(device.name, "XTEST") != nullptr) return false;
  for (int i = 0; i < device.num_classes; ++i)
    if (device.classes[i]->type == XIKeyClass) return true;
  return false;
}

}  // namespace

bool EventRecorder::PhysicalKeyboardsGrabbable() {
  int count = 0;
  XIDeviceInfo* devices = XIQueryDevice(display_, XIAllDevices, &count);
  bool grabbable = true;
  for (int i = 0; i < count && grabbable; ++i) {
    const XIDeviceInfo& device = devices[i];
    if (!IsPhysicalKeyboard(device)) continue;
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    XIEventMask mask{device.deviceid, sizeof bits, bits};
    const int status = XIGrabDevice(display_, device.deviceid, DefaultRootWindow(display_), CurrentTime, None,
                                    XIGrabModeAsync, XIGrabModeAsync, False, &mask);
    if (status == Success) XIUngrabDevice(display_, device.deviceid, CurrentTime);
    grabbable = status == Success;
  }
  XIFreeDeviceInfo(devices);
  XSync(display_, False);
  return grabbable;
}

unsigned long EventRecorder::KeysymOf(unsigned keycode) {
  return XkbKeycodeToKeysym(display_, static_cast<KeyCode>(keycode), 0, 0);
}

unsigned EventRecorder::KeycodeOf(unsigned long keysym) { return XKeysymToKeycode(display_, keysym); }

}  // namespace vk::testing
