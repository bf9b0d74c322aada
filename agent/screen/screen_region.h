// A set of screen pixels kept as non-overlapping rectangles: the pending
// region of the screen manager and the changed region of the update builder.
#pragma once

#include <vector>

#include "platform/geometry/screen_geometry.h"

class cVkScreenRegion {
 public:
  // Adds the rectangle's pixels; an empty rectangle adds nothing.
  void Add(const VkRect& rect);
  void Clear() { rects_.clear(); }
  bool Empty() const { return rects_.empty(); }
  // The rectangles, top to bottom and left to right, and the region emptied.
  std::vector<VkRect> Take();
  const std::vector<VkRect>& Rects() const { return rects_; }

 private:
  std::vector<VkRect> rects_;
};

// The parts of `rect` outside `hole` (at most four rectangles) appended to `out`.
void VkSubtractRect(const VkRect& rect, const VkRect& hole, std::vector<VkRect>& out);
