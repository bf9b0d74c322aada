// Widening of a screen section to whole 4-byte rows.
#pragma once

#include "platform/geometry/screen_geometry.h"

// Widens `section` until (right - left) x bytesPerPixel is a multiple of 4:
// one pixel to the right while right < width, else one to the left while
// left > 0. A section that cannot be widened (a full-width section whose row
// length is not a multiple of 4) stays as it is: its rows travel unpadded.
// Answers whether the rows are whole 4-byte multiples afterwards.
bool VkWidenSection(VkRect& section, int32_t width, int32_t bytesPerPixel);
