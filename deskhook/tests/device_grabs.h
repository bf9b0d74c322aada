// Test support: asks an X server whether a device is blocked, as another
// client would find out: by trying to grab it.
#pragma once

// Xlib after gtest: include this after <gtest/gtest.h>.

#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>

#include <string>

namespace vk::testing {

// The id of the slave device of that name, or -1.
inline int DeviceId(Display* display, const std::string& name) {
  int count = 0, id = -1;
  XIDeviceInfo* devices = XIQueryDevice(display, XIAllDevices, &count);
  for (int i = 0; i < count; ++i)
    if (name == devices[i].name) id = devices[i].deviceid;
  XIFreeDeviceInfo(devices);
  return id;
}

// Whether another client can grab the device (it is not blocked): the
// grab's status, and the grab released again at once.
inline int GrabStatus(Display* display, const std::string& name) {
  const int id = DeviceId(display, name);
  unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
  XIEventMask mask{id, sizeof bits, bits};
  const int status = XIGrabDevice(display, id, DefaultRootWindow(display), CurrentTime, None, XIGrabModeAsync,
                                  XIGrabModeAsync, False, &mask);
  if (status == Success) XIUngrabDevice(display, id, CurrentTime);
  XSync(display, False);
  return status;
}

}  // namespace vk::testing
