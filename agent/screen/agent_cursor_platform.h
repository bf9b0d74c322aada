// The agent's cursor table on X11: a standard shape's handle is its
// identifier value (the message window reports shapes that way), so loading
// a system cursor needs no X call. The agent never shows cursors.
#pragma once

#include "common/screen/cursor_list.h"

class cVkAgentCursorPlatform : public cVkCursorPlatform {
 public:
  uint32_t LoadSystemCursor(uint32_t identifier) override { return identifier; }
  uint32_t GetDisplayedCursor() override { return 0; }
  void SetDisplayedCursor(uint32_t) override {}
};
