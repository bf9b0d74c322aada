#include "agent/screen/screen_region.h"

#include <algorithm>

namespace {

bool IsEmpty(const VkRect& r) { return r.left >= r.right || r.top >= r.bottom; }

bool Overlaps(const VkRect& a, const VkRect& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

bool Contains(const VkRect& outer, const VkRect& inner) {
  return outer.left <= inner.left && outer.top <= inner.top && outer.right >= inner.right &&
         outer.bottom >= inner.bottom;
}

}  // namespace

void VkSubtractRect(const VkRect& rect, const VkRect& hole, std::vector<VkRect>& out) {
  if (!Overlaps(rect, hole)) {
    out.push_back(rect);
    return;
  }
  // Bands above and below the hole span the whole width; the middle band
  // keeps what lies left and right of it.
  if (rect.top < hole.top) out.push_back({rect.left, rect.top, rect.right, hole.top});
  const int32_t midTop = std::max(rect.top, hole.top);
  const int32_t midBottom = std::min(rect.bottom, hole.bottom);
  if (rect.left < hole.left) out.push_back({rect.left, midTop, hole.left, midBottom});
  if (rect.right > hole.right) out.push_back({hole.right, midTop, rect.right, midBottom});
  if (rect.bottom > hole.bottom) out.push_back({rect.left, hole.bottom, rect.right, rect.bottom});
}

void cVkScreenRegion::Add(const VkRect& rect) {
  if (IsEmpty(rect)) return;
  // Rectangles that the new one covers go; the new one is cut around the rest.
  std::erase_if(rects_, [&](const VkRect& r) { return Contains(rect, r); });
  std::vector<VkRect> pieces{rect};
  std::vector<VkRect> next;
  for (const VkRect& existing : rects_) {
    next.clear();
    for (const VkRect& piece : pieces) VkSubtractRect(piece, existing, next);
    pieces.swap(next);
    if (pieces.empty()) return;
  }
  rects_.insert(rects_.end(), pieces.begin(), pieces.end());
}

std::vector<VkRect> cVkScreenRegion::Take() {
  std::vector<VkRect> out;
  out.swap(rects_);
  std::sort(out.begin(), out.end(),
            [](const VkRect& a, const VkRect& b) { return a.top != b.top ? a.top < b.top : a.left < b.left; });
  return out;
}
