// The four input-blocking operations: the physical keyboards or pointers of
// the display get their "Device Enabled" property set. The XTest devices stay
// enabled, so the agent's own replayed input still arrives.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>

#include <cstring>

#include "deskhook/deskhook.h"
#include "platform/x11/x_connection.h"

namespace {

bool IsXTestDevice(const XIDeviceInfo& device) { return std::strstr(device.name, "XTEST") != nullptr; }

bool HasPointerClasses(const XIDeviceInfo& device) {
  for (int i = 0; i < device.num_classes; ++i) {
    if (device.classes[i]->type == XIButtonClass || device.classes[i]->type == XIValuatorClass) return true;
  }
  return false;
}

// A disabled device is floating; its classes tell a keyboard from a pointer.
bool IsDeviceOfKind(const XIDeviceInfo& device, int use) {
  if (device.use == use) return true;
  if (device.use != XIFloatingSlave) return false;
  return (use == XISlavePointer) == HasPointerClasses(device);
}

void SetDevicesEnabled(int use, bool enabled) {
  Display* display = vk::x11::OpenDisplay();
  if (!display) return;
  int opcode = 0, event = 0, error = 0;
  int major = 2, minor = 0;
  if (XQueryExtension(display, "XInputExtension", &opcode, &event, &error) &&
      XIQueryVersion(display, &major, &minor) == Success) {
    const Atom property = XInternAtom(display, "Device Enabled", False);
    int count = 0;
    XIDeviceInfo* devices = XIQueryDevice(display, XIAllDevices, &count);
    for (int i = 0; i < count; ++i) {
      if (!IsDeviceOfKind(devices[i], use) || IsXTestDevice(devices[i])) continue;
      unsigned char value = enabled ? 1 : 0;
      XIChangeProperty(display, devices[i].deviceid, property, XA_INTEGER, 8, PropModeReplace, &value, 1);
    }
    if (devices) XIFreeDeviceInfo(devices);
    XSync(display, False);
  }
  vk::x11::CloseDisplay(display);
}

}  // namespace

void DisableKeyboard() { SetDevicesEnabled(XISlaveKeyboard, false); }
void EnableKeyboard() { SetDevicesEnabled(XISlaveKeyboard, true); }
void DisableMouse() { SetDevicesEnabled(XISlavePointer, false); }
void EnableMouse() { SetDevicesEnabled(XISlavePointer, true); }
