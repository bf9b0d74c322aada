// UTF-16 <-> UTF-8 conversion at the boundaries to the operating system.
//
// The system's texts are UTF-16 (std::u16string); paths, syslog, X11, PAM and
// the terminal take UTF-8. Invalid sequences become U+FFFD in either direction,
// so a conversion never fails and never reads past its input.
#pragma once

#include <string>
#include <string_view>

namespace vk {

std::string ToUtf8(std::u16string_view text);
std::u16string FromUtf8(std::string_view text);

}  // namespace vk
