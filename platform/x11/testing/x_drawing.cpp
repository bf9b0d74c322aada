#include "platform/x11/testing/x_drawing.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xfixes.h>
#include <X11/extensions/Xrandr.h>
#include <X11/extensions/XTest.h>
#include <X11/cursorfont.h>

namespace vk::x11::testing {

XDrawing::XDrawing() : display_(XOpenDisplay(nullptr)) {}

XDrawing::~XDrawing() {
  if (display_) XCloseDisplay(display_);
}

void XDrawing::Sync() { XSync(display_, False); }

void XDrawing::FillRoot(int x, int y, int width, int height, uint32_t rgb) {
  const Window root = DefaultRootWindow(display_);
  GC gc = XCreateGC(display_, root, 0, nullptr);
  XSetSubwindowMode(display_, gc, IncludeInferiors);
  XSetForeground(display_, gc, rgb);
  XFillRectangle(display_, root, gc, x, y, static_cast<unsigned>(width), static_cast<unsigned>(height));
  XFreeGC(display_, gc);
  Sync();
}

void XDrawing::PatternRoot(int x, int y, int width, int height, uint32_t seed) {
  const Window root = DefaultRootWindow(display_);
  XImage* image =
      XGetImage(display_, root, x, y, static_cast<unsigned>(width), static_cast<unsigned>(height), AllPlanes, ZPixmap);
  if (!image) return;
  for (int row = 0; row < height; ++row) {
    for (int col = 0; col < width; ++col) {
      const uint32_t v = (static_cast<uint32_t>(row) * 2654435761u) ^ (static_cast<uint32_t>(col) * 40503u) ^ seed;
      XPutPixel(image, col, row, v & 0xFFFFFF);
    }
  }
  GC gc = XCreateGC(display_, root, 0, nullptr);
  XSetSubwindowMode(display_, gc, IncludeInferiors);
  XPutImage(display_, root, gc, image, 0, 0, x, y, static_cast<unsigned>(width), static_cast<unsigned>(height));
  XFreeGC(display_, gc);
  XDestroyImage(image);
  Sync();
}

unsigned long XDrawing::MakeWindow(int x, int y, int width, int height, uint32_t rgb) {
  XSetWindowAttributes attributes{};
  attributes.background_pixel = rgb;
  attributes.override_redirect = True;
  const Window window = XCreateWindow(display_, DefaultRootWindow(display_), x, y, static_cast<unsigned>(width),
                                      static_cast<unsigned>(height), 0, CopyFromParent, InputOutput, CopyFromParent,
                                      CWBackPixel | CWOverrideRedirect, &attributes);
  XMapRaised(display_, window);
  Sync();
  return window;
}

void XDrawing::SetNamedCursor(unsigned long window, const std::string& name) {
  const Cursor cursor = XCreateFontCursor(display_, XC_xterm);
  XFixesSetCursorName(display_, cursor, name.c_str());
  XDefineCursor(display_, window, cursor);
  Sync();
}

void XDrawing::FocusWindow(unsigned long window) {
  XSetInputFocus(display_, window, RevertToPointerRoot, CurrentTime);
  Sync();
}

void XDrawing::MovePointer(int x, int y) {
  XTestFakeMotionEvent(display_, -1, x, y, CurrentTime);
  Sync();
}

bool XDrawing::ResizeScreen(int width, int height) {
  const Window root = DefaultRootWindow(display_);
  XRRScreenResources* resources = XRRGetScreenResources(display_, root);
  if (!resources || resources->noutput < 1 || resources->ncrtc < 1) {
    if (resources) XRRFreeScreenResources(resources);
    return false;
  }
  const std::string name = std::to_string(width) + "x" + std::to_string(height) + "_vk";
  XRRModeInfo mode{};
  mode.width = static_cast<unsigned>(width);
  mode.height = static_cast<unsigned>(height);
  mode.dotClock = static_cast<unsigned long>(width) * height * 60;
  mode.hTotal = static_cast<unsigned>(width);
  mode.vTotal = static_cast<unsigned>(height);
  mode.name = const_cast<char*>(name.c_str());
  mode.nameLength = static_cast<unsigned>(name.size());
  RROutput output = resources->outputs[0];
  const RRMode id = XRRCreateMode(display_, root, &mode);
  XRRAddOutputMode(display_, output, id);
  const Status status =
      XRRSetCrtcConfig(display_, resources, resources->crtcs[0], CurrentTime, 0, 0, id, RR_Rotate_0, &output, 1);
  XRRSetScreenSize(display_, root, width, height, width * 254 / 960, height * 254 / 960);
  XRRFreeScreenResources(resources);
  Sync();
  return status == RRSetConfigSuccess;
}

std::vector<uint32_t> XDrawing::ReadRoot(int x, int y, int width, int height) {
  std::vector<uint32_t> pixels;
  XImage* image = XGetImage(display_, DefaultRootWindow(display_), x, y, static_cast<unsigned>(width),
                            static_cast<unsigned>(height), AllPlanes, ZPixmap);
  if (!image) return pixels;
  pixels.reserve(static_cast<size_t>(width) * height);
  for (int row = 0; row < height; ++row) {
    for (int col = 0; col < width; ++col) pixels.push_back(static_cast<uint32_t>(XGetPixel(image, col, row)));
  }
  XDestroyImage(image);
  return pixels;
}

}  // namespace vk::x11::testing
