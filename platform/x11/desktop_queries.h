// Questions the agent's message window asks the X display: the rectangle of
// the window that has the keyboard focus, and the name of the cursor shape
// shown now. One connection, used by one thread.
#pragma once

#include <cstdint>
#include <string>

#include "platform/geometry/screen_rect.h"

struct _XDisplay;

namespace vk::x11 {

class DesktopQueries {
 public:
  DesktopQueries() = default;
  ~DesktopQueries();
  DesktopQueries(const DesktopQueries&) = delete;
  DesktopQueries& operator=(const DesktopQueries&) = delete;

  // Opens the display served now; a connection to one served before is
  // replaced. Each question opens it as needed.
  bool Open();
  void Close();
  bool IsOpen() const { return display_ != nullptr; }

  // The root rectangle of the top-level window that holds the focus; false
  // when no window has it (focus on the root, or none).
  bool ForegroundRect(VkRect& rect);
  // The XFixes name of the displayed cursor; empty for an unnamed cursor or
  // when the display cannot tell.
  std::string CursorName();

 private:
  _XDisplay* display_ = nullptr;
  uint64_t generation_ = 0;
};

}  // namespace vk::x11
