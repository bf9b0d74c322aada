// The console's shared 16x16 image list of 18 pictures, by index: 0 the
// network, 1 a domain, 2 a computer, 3 a folder, 6/7/8/11 a computer whose
// viewer is connected, busy, failed or connecting, 12 the directory, 13 the
// local network, 17 the recent computers. The pictures are drawn from the
// style's own icons, the state images with a coloured mark.
#pragma once

#include <QIcon>
#include <cstdint>

inline constexpr uint32_t kVkTreeImageCount = 18;

// The picture of `index`; an index outside the list gives the computer's.
QIcon VkTreeImage(uint32_t index);
