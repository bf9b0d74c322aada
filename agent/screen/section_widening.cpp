#include "agent/screen/section_widening.h"

bool VkWidenSection(VkRect& section, int32_t width, int32_t bytesPerPixel) {
  VkRect widened = section;
  while ((static_cast<int64_t>(widened.right - widened.left) * bytesPerPixel) % 4 != 0) {
    if (widened.right < width) {
      ++widened.right;
    } else if (widened.left > 0) {
      --widened.left;
    } else {
      return false;
    }
  }
  section = widened;
  return true;
}
