// Preparation of a message format before formatting.
//
// The formatter reads "%s" as a wide string and "%S" as a narrow one; "%T"
// means a wide string in formats of either width. A narrow format is turned
// into a wide one and its "%s"/"%S" swapped, so that there "%s" takes a
// narrow string and "%S" or "%T" a wide one.
#pragma once

#include <string>
#include <string_view>

namespace vk {

// Finds each occurrence of the two-character `pair` from left to right,
// overwrites its second character with `newChar` and resumes the search two
// characters further on.
void ReplaceFormatChar(std::u16string& text, std::u16string_view pair, char16_t newChar);

// A wide format: a copy with every "%T" made "%s".
std::u16string ProcessFormatString(std::u16string_view format);

// A narrow format (UTF-8): widened, then "%S" -> "%T", "%s" -> "%S",
// "%T" -> "%s", in this order.
std::u16string ProcessFormatString(std::string_view format);

}  // namespace vk
