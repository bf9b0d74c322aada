// The pictures of the picker's image list, by index (see PickerImage), and
// the log list's icons 13 to 16.
#pragma once

#include <QIcon>
#include <cstdint>

namespace vk::picker {

inline constexpr uint32_t kPickerImageCount = 17;
inline constexpr uint32_t kImageLogError = 13;
inline constexpr uint32_t kImageLogErrorNoCode = 14;
inline constexpr uint32_t kImageLogWarning = 15;
inline constexpr uint32_t kImageLogDetail = 16;

// An empty icon for an index outside the list.
QIcon PickerIcon(uint32_t index);

}  // namespace vk::picker
