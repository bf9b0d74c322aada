// The viewer's geometry: how the remote picture is laid into the window
// (1:1 with scroll bars, or fitted keeping its aspect ratio), how the scroll
// bars move, which remote area a window area shows and back, and where a
// mouse position lands on the remote screen. Sizes are device pixels.
#pragma once

#include <cstdint>

#include "platform/geometry/screen_geometry.h"

// Stretch modes (0: not scaled).
inline constexpr int32_t kScaleDisabled = 0;
inline constexpr int32_t kBlackOnWhite = 1;
inline constexpr int32_t kWhiteOnBlack = 2;
inline constexpr int32_t kColorOnColor = 3;
inline constexpr int32_t kHalfTone = 4;

struct VkScrollBar {
  int32_t minimum = 0;
  int32_t maximum = 0;  // the scroll limit; below the minimum: nothing to scroll
  int32_t page = 0;
  int32_t position = 0;
};

enum class VkScrollAction { LineUp, LineDown, PageUp, PageDown, Top, Bottom, Thumb, EndScroll };

struct VkViewLayout {
  int32_t scaleMode = kScaleDisabled;
  double scale = 1.0;  // remote pixels per window pixel
  int32_t windowUnits = 1;
  int32_t remoteUnits = 1;
  VkScrollBar horizontal;
  VkScrollBar vertical;
  int32_t scrollX = 0;
  int32_t scrollY = 0;
};

// Recomputes the layout for a client area and remote size; the scroll
// position goes back to 0, 0.
void VkComputeLayout(VkViewLayout& layout, int32_t clientWidth, int32_t clientHeight, int32_t remoteWidth,
                     int32_t remoteHeight);

// The bar's new position after a scroll action (`thumb` for Thumb).
int32_t VkScrollTo(const VkScrollBar& bar, VkScrollAction action, int32_t thumb = 0);

// A remote rectangle as a window rectangle to repaint.
VkRect VkRemoteToWindow(const VkViewLayout& layout, const VkRect& remote);

// What a scaled paint covers: the window rectangle widened to whole scale
// units and the remote rectangle it shows.
struct VkStretchArea {
  VkRect window;
  VkRect remote;
};
VkStretchArea VkStretchAreaFor(const VkViewLayout& layout, const VkRect& paint);

// lParam of a mouse message (x low, y high, signed 16-bit halves) in window
// coordinates, translated to remote coordinates.
uint32_t VkWindowToRemotePoint(const VkViewLayout& layout, uint32_t lParam);
