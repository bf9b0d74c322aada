// The four input-blocking operations. The physical keyboards or pointers of
// the display are grabbed (XIGrabDevice) on a connection of their own: a
// grabbed slave device is detached from its master, so its events reach
// neither the desktop nor any other client, while the XTest devices stay
// attached and the agent's replayed input still arrives. Enabling releases
// exactly the grabs this process took; devices that were disabled by others
// stay as they are. A block follows the served display: when the agent
// hooks a new display, the grabs leave the old one and are taken anew there.
// When the process ends, even by a kill, the X server
// closes the connection and releases every grab by itself.
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>

#include <cstdint>
#include <cstring>
#include <mutex>
#include <vector>

#include "deskhook/deskhook.h"
#include "deskhook/input_blocking.h"
#include "platform/x11/display_target.h"
#include "platform/x11/x_connection.h"

namespace {

struct Blocking {
  std::mutex lock;
  Display* display = nullptr;  // open while a device is grabbed
  uint64_t generation = 0;     // of the display target `display` belongs to
  std::vector<int> keyboards;  // the grabbed devices of each kind
  std::vector<int> pointers;
  // What the agent asked for: kept when the display changes, so the block
  // moves with it.
  bool keyboardsWanted = false;
  bool pointersWanted = false;
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

// Opens the served display for grabbing when none is open; false without one.
bool OpenForGrabs(Blocking& b) {
  if (b.display) return true;
  const uint64_t generation = vk::x11::DisplayGeneration();
  b.display = vk::x11::OpenDisplay();
  if (!b.display) return false;
  if (!HasXInput2(b.display)) {
    vk::x11::CloseDisplay(b.display);
    b.display = nullptr;
    return false;
  }
  b.generation = generation;
  return true;
}

void Ungrab(Blocking& b, std::vector<int>& devices) {
  if (b.display && !vk::x11::DisplayLost(b.display)) {
    for (int device : devices) XIUngrabDevice(b.display, device, CurrentTime);
    XSync(b.display, False);
  }
  devices.clear();
}

void CloseWhenUnused(Blocking& b) {
  if (!b.display || !b.keyboards.empty() || !b.pointers.empty()) return;
  vk::x11::CloseDisplay(b.display);
  b.display = nullptr;
}

void Block(std::vector<int> Blocking::*kind, bool Blocking::*wanted, int use) {
  Blocking& b = State();
  std::lock_guard hold(b.lock);
  b.*wanted = true;
  if (!(b.*kind).empty()) return;  // already blocked
  if (OpenForGrabs(b)) b.*kind = GrabDevices(b.display, use);
  CloseWhenUnused(b);
}

void Release(std::vector<int> Blocking::*kind, bool Blocking::*wanted) {
  Blocking& b = State();
  std::lock_guard hold(b.lock);
  b.*wanted = false;
  Ungrab(b, b.*kind);
  CloseWhenUnused(b);
}

}  // namespace

namespace deskhook {

void MoveInputBlockToServedDisplay() {
  Blocking& b = State();
  std::lock_guard hold(b.lock);
  if (!b.keyboardsWanted && !b.pointersWanted) return;
  if (b.display && b.generation == vk::x11::DisplayGeneration()) return;
  Ungrab(b, b.keyboards);
  Ungrab(b, b.pointers);
  CloseWhenUnused(b);
  if (!OpenForGrabs(b)) return;  // no display served now: the next change tries again
  if (b.keyboardsWanted) b.keyboards = GrabDevices(b.display, XISlaveKeyboard);
  if (b.pointersWanted) b.pointers = GrabDevices(b.display, XISlavePointer);
  CloseWhenUnused(b);
}

}  // namespace deskhook

void DisableKeyboard() { Block(&Blocking::keyboards, &Blocking::keyboardsWanted, XISlaveKeyboard); }
void EnableKeyboard() { Release(&Blocking::keyboards, &Blocking::keyboardsWanted); }
void DisableMouse() { Block(&Blocking::pointers, &Blocking::pointersWanted, XISlavePointer); }
void EnableMouse() { Release(&Blocking::pointers, &Blocking::pointersWanted); }
