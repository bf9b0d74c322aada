#include "console/core/view_geometry.h"

#include <algorithm>
#include <numeric>

#include "common/protocol/input_codes.h"

void VkComputeLayout(VkViewLayout& layout, int32_t clientWidth, int32_t clientHeight, int32_t remoteWidth,
                     int32_t remoteHeight) {
  layout.scrollX = 0;
  layout.scrollY = 0;
  layout.horizontal = VkScrollBar{};
  layout.vertical = VkScrollBar{};
  if (layout.scaleMode != kScaleDisabled) {
    if (remoteWidth <= 0 || remoteHeight <= 0 || clientWidth <= 0 || clientHeight <= 0) return;
    const double rx = static_cast<double>(clientWidth) / remoteWidth;
    const double ry = static_cast<double>(clientHeight) / remoteHeight;
    if (rx < ry) {
      layout.windowUnits = clientWidth;
      layout.remoteUnits = remoteWidth;
      layout.scale = static_cast<double>(remoteWidth) / clientWidth;
    } else {  // ties included: the height decides
      layout.windowUnits = clientHeight;
      layout.remoteUnits = remoteHeight;
      layout.scale = static_cast<double>(remoteHeight) / clientHeight;
    }
    if (layout.windowUnits == 0) layout.windowUnits = 1;
    // The smallest window block that shows whole remote pixels: painting
    // snaps to it, so the fraction is kept in lowest terms.
    const int32_t common = std::gcd(layout.windowUnits, layout.remoteUnits);
    if (common > 1) {
      layout.windowUnits /= common;
      layout.remoteUnits /= common;
    }
    return;
  }
  layout.scale = 1.0;
  layout.windowUnits = 1;
  layout.remoteUnits = 1;
  layout.horizontal.maximum = remoteWidth - clientWidth;
  layout.horizontal.page = clientWidth;
  layout.vertical.maximum = remoteHeight - clientHeight;
  layout.vertical.page = clientHeight;
}

int32_t VkScrollTo(const VkScrollBar& bar, VkScrollAction action, int32_t thumb) {
  const int32_t low = bar.minimum;
  const int32_t high = std::max(bar.minimum, bar.maximum);
  const int32_t at = bar.position;
  switch (action) {
    case VkScrollAction::LineUp:
      return at > low ? at - 1 : at;
    case VkScrollAction::LineDown:
      return at < high ? at + 1 : at;
    case VkScrollAction::PageUp:
      return std::max(low, at - bar.page);
    case VkScrollAction::PageDown:
      return std::min(high, at + bar.page);
    case VkScrollAction::Top:
      return low;
    case VkScrollAction::Bottom:
      return high;
    case VkScrollAction::Thumb:
      return std::clamp(thumb, low, high);
    case VkScrollAction::EndScroll:
      return at;
  }
  return at;
}

VkRect VkRemoteToWindow(const VkViewLayout& layout, const VkRect& r) {
  if (layout.scaleMode != kScaleDisabled) {
    const double f = 1.0 / layout.scale;
    // Truncating the far edges toward zero could drop the last window pixel
    // a remote pixel touches; it is widened by one so nothing stays stale.
    return VkRect{static_cast<int32_t>(r.left * f), static_cast<int32_t>(r.top * f),
                  static_cast<int32_t>(r.right * f) + 1, static_cast<int32_t>(r.bottom * f) + 1};
  }
  return VkRect{r.left - layout.scrollX, r.top - layout.scrollY, r.right - layout.scrollX, r.bottom - layout.scrollY};
}

namespace {

int32_t FloorTo(int32_t v, int32_t unit) { return v >= 0 ? v / unit * unit : -((-v + unit - 1) / unit) * unit; }
int32_t CeilTo(int32_t v, int32_t unit) { return -FloorTo(-v, unit); }

}  // namespace

VkStretchArea VkStretchAreaFor(const VkViewLayout& layout, const VkRect& paint) {
  const int64_t wu = layout.windowUnits;
  const int64_t ru = layout.remoteUnits;
  VkStretchArea area;
  area.window = VkRect{FloorTo(paint.left, layout.windowUnits), FloorTo(paint.top, layout.windowUnits),
                       CeilTo(paint.right, layout.windowUnits), CeilTo(paint.bottom, layout.windowUnits)};
  const int64_t width = area.window.Width();
  const int64_t height = area.window.Height();
  const int64_t left = ru * area.window.left / wu;
  const int64_t top = ru * area.window.top / wu;
  area.remote = VkRect{static_cast<int32_t>(left), static_cast<int32_t>(top),
                       static_cast<int32_t>(left + width * ru / wu), static_cast<int32_t>(top + ru * height / wu)};
  return area;
}

uint32_t VkWindowToRemotePoint(const VkViewLayout& layout, uint32_t lParam) {
  int32_t x = vk::PointX(lParam);
  int32_t y = vk::PointY(lParam);
  if (layout.scaleMode != kScaleDisabled) {
    x = static_cast<int32_t>(x * layout.scale);
    y = static_cast<int32_t>(y * layout.scale);
  } else {
    x += layout.scrollX;
    y += layout.scrollY;
  }
  return (static_cast<uint32_t>(y) << 16) | (static_cast<uint32_t>(x) & 0xFFFF);
}
