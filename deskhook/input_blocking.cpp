// The four input-blocking operations. The physical keyboards or pointers of
// the display are grabbed (XIGrabDevice) on a connection of their own: a
// grabbed slave device is detached from its master, so its events reach
// neither the desktop nor any other client, while the XTest devices stay
// attached and the agent's replayed input still arrives. Enabling releases
// exactly the grabs this process took; devices that were disabled by others
// stay as they are. When the process ends, even by a kill, the X server
// closes the connection and releases every grab by itself.
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>

#include <cstring>
#include <mutex>
#include <vector>

#include "deskhook/deskhook.h"
#include "platform/x11/x_connection.h"

namespace {

struct Blocking {
  std::mutex lock;
  Display* display = nullptr;  // open while a device is grabbed
  std::vector<int> keyboards;  // the grabbed devices of each kind
  std::vector<int> pointers;
};

Blocking& State() {
  static Blocking blocking;
  return blocking;
}

bool IsXTestDevice(const XIDeviceInfo& device) { return std::strstr(device.name, "XTEST") != nullptr; }

bool HasXInput2(Display* display) {
  int opcode = 0, event = 0, error = 0;
  int major = 2, minor = 0;
  return XQueryExtension(display, "XInputExtension", &opcode, &event, &error) &&
         XIQueryVersion(display, &major, &minor) == Success;
}

// Grabs every attached physical slave device of `use`; the ids it grabbed.
std::vector<int> GrabDevices(Display* display, int use) {
  std::vector<int> grabbed;
  unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
  XIEventMask mask{XIAllDevices, sizeof bits, bits};
  int count = 0;
  XIDeviceInfo* devices = XIQueryDevice(display, XIAllDevices, &count);
  for (int i = 0; i < count; ++i) {
    if (devices[i].use != use || IsXTestDevice(devices[i])) continue;
    mask.deviceid = devices[i].deviceid;
    if (XIGrabDevice(display, devices[i].deviceid, DefaultRootWindow(display), CurrentTime, None, XIGrabModeAsync,
                     XIGrabModeAsync, False, &mask) == Success)
      grabbed.push_back(devices[i].deviceid);
  }
  if (devices) XIFreeDeviceInfo(devices);
  XSync(display, False);
  return grabbed;
}

void Block(std::vector<int> Blocking::*kind, int use) {
  Blocking& b = State();
  std::lock_guard hold(b.lock);
  if (!(b.*kind).empty()) return;  // already blocked
  if (!b.display) {
    b.display = vk::x11::OpenDisplay();
    if (!b.display) return;
    if (!HasXInput2(b.display)) {
      vk::x11::CloseDisplay(b.display);
      b.display = nullptr;
      return;
    }
  }
  b.*kind = GrabDevices(b.display, use);
}

void Release(std::vector<int> Blocking::*kind) {
  Blocking& b = State();
  std::lock_guard hold(b.lock);
  if (!b.display) return;
  for (int device : b.*kind) XIUngrabDevice(b.display, device, CurrentTime);
  (b.*kind).clear();
  XSync(b.display, False);
  if (!b.keyboards.empty() || !b.pointers.empty()) return;
  vk::x11::CloseDisplay(b.display);
  b.display = nullptr;
}

}  // namespace

void DisableKeyboard() { Block(&Blocking::keyboards, XISlaveKeyboard); }
void EnableKeyboard() { Release(&Blocking::keyboards); }
void DisableMouse() { Block(&Blocking::pointers, XISlavePointer); }
void EnableMouse() { Release(&Blocking::pointers); }
