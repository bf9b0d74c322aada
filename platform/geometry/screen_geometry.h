// Screen size and the buffer sizes both ends of a viewing session use.
#pragma once

#include <cstdint>

#include "platform/geometry/screen_rect.h"

struct VkScreenGeometry {
  int32_t width = 0;          // W, pixels
  int32_t height = 0;         // H, pixels
  int32_t bytesPerPixel = 0;  // B

  // Largest screen side accepted from the other end.
  static constexpr int32_t kMaxSide = 16384;

  bool operator==(const VkScreenGeometry&) const = default;
  bool IsValid() const {
    return width >= 1 && width <= kMaxSide && height >= 1 && height <= kMaxSide &&
           (bytesPerPixel == 1 || bytesPerPixel == 2 || bytesPerPixel == 3 || bytesPerPixel == 4);
  }
  uint64_t RowBytes() const { return static_cast<uint64_t>(width) * static_cast<uint64_t>(bytesPerPixel); }
  // W x H x B: the frame copy.
  uint64_t FrameBytes() const { return RowBytes() * static_cast<uint64_t>(height); }
  // W x H x B + 16: the uncompressed block buffer.
  uint64_t BlockBytes() const { return FrameBytes() + 16; }
  // The compressed buffer: n + (n >> 12) + (n >> 14) + 11 for n = W x H x B + 24.
  // Every stream sent must fit it.
  uint64_t ReceiveBytes() const {
    uint64_t n = FrameBytes() + 24;
    return n + (n >> 12) + (n >> 14) + 11;
  }
  // Whether `r` lies inside the screen with no negative size.
  bool Contains(const VkRect& r) const {
    return r.left >= 0 && r.top >= 0 && r.left <= r.right && r.top <= r.bottom && r.right <= width &&
           r.bottom <= height;
  }
};
