#include "console/core/stretch.h"

#include <algorithm>

namespace {

// Source cells [first, last) that destination cell `i` of `count` covers.
void Span(int32_t origin, int32_t extent, int32_t i, int32_t count, int32_t* first, int32_t* last) {
  *first = origin + static_cast<int32_t>(static_cast<int64_t>(i) * extent / count);
  *last = origin + static_cast<int32_t>(static_cast<int64_t>(i + 1) * extent / count);
  if (*last <= *first) *last = *first + 1;
}

}  // namespace

void VkStretchCombine(const uint32_t* source, int32_t sourceStride, const VkRect& from, uint32_t* target,
                      int32_t targetStride, int32_t width, int32_t height, bool keepDark) {
  for (int32_t y = 0; y < height; ++y) {
    int32_t y0, y1;
    Span(from.top, from.Height(), y, height, &y0, &y1);
    y1 = std::min(y1, from.bottom);
    for (int32_t x = 0; x < width; ++x) {
      int32_t x0, x1;
      Span(from.left, from.Width(), x, width, &x0, &x1);
      x1 = std::min(x1, from.right);
      uint32_t combined = keepDark ? 0xFFFFFFFFu : 0;
      for (int32_t sy = y0; sy < y1; ++sy) {
        const uint32_t* row = source + static_cast<int64_t>(sy) * sourceStride;
        for (int32_t sx = x0; sx < x1; ++sx) combined = keepDark ? (combined & row[sx]) : (combined | row[sx]);
      }
      target[static_cast<int64_t>(y) * targetStride + x] = combined | 0xFF000000u;
    }
  }
}
