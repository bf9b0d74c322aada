// Shrinking a picture the way the two monochrome-friendly stretch modes do:
// every destination pixel combines all the source pixels it covers, with a
// bitwise AND (Black on White: dark detail survives) or OR (White on Black:
// light detail survives). Enlarging repeats pixels.
#pragma once

#include <cstdint>

#include "platform/geometry/screen_geometry.h"

// `source` holds 32-bit pixels, `sourceStride` pixels a row; `from` is the
// area of it to shrink into `width` x `height` pixels at `target`
// (`targetStride` pixels a row).
void VkStretchCombine(const uint32_t* source, int32_t sourceStride, const VkRect& from, uint32_t* target,
                      int32_t targetStride, int32_t width, int32_t height, bool keepDark);
