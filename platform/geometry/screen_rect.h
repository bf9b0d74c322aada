// A screen rectangle in pixels, from the capturer to the wire.
#pragma once

#include <cstdint>

// Right and bottom are exclusive.
struct VkRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
  bool operator==(const VkRect&) const = default;
  int32_t Width() const { return right - left; }
  int32_t Height() const { return bottom - top; }
  bool IsEmpty() const { return left >= right || top >= bottom; }
};
