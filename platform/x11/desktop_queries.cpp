#include "platform/x11/desktop_queries.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>

#include "platform/x11/display_target.h"
#include "platform/x11/x_connection.h"

namespace vk::x11 {

DesktopQueries::~DesktopQueries() { Close(); }

bool DesktopQueries::Open() {
  if (display_ && generation_ != DisplayGeneration()) Close();  // another display is served now
  if (!display_) {
    generation_ = DisplayGeneration();
    display_ = OpenDisplay();
  }
  return display_ != nullptr;
}

void DesktopQueries::Close() {
  if (display_) CloseDisplay(display_);
  display_ = nullptr;
}

bool DesktopQueries::ForegroundRect(VkRect& rect) {
  if (!Open() || DisplayLost(display_)) return false;
  Window focus = None;
  int revert = 0;
  XGetInputFocus(display_, &focus, &revert);
  const Window root = DefaultRootWindow(display_);
  if (focus == None || focus == PointerRoot || focus == root) return false;
  // Walk up to the child of the root that holds the focus window.
  Window window = focus;
  for (;;) {
    Window rootReturn = None, parent = None;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display_, window, &rootReturn, &parent, &children, &count)) return false;
    if (children) XFree(children);
    if (parent == root || parent == None) break;
    window = parent;
  }
  XWindowAttributes attributes;
  if (!XGetWindowAttributes(display_, window, &attributes)) return false;
  int x = 0, y = 0;
  Window child = None;
  XTranslateCoordinates(display_, window, root, 0, 0, &x, &y, &child);
  const int border = attributes.border_width;
  rect = {x - border, y - border, x + attributes.width + border, y + attributes.height + border};
  return true;
}

std::string DesktopQueries::CursorName() {
  if (!Open() || DisplayLost(display_)) return {};
  int event = 0, error = 0;
  if (!XFixesQueryExtension(display_, &event, &error)) return {};
  int major = 6, minor = 0;
  XFixesQueryVersion(display_, &major, &minor);
  XFixesCursorImage* image = XFixesGetCursorImage(display_);
  if (!image) return {};
  std::string name = image->name ? image->name : "";
  XFree(image);
  return name;
}

}  // namespace vk::x11
