// The lines of the text log file, as bytes.
//
// The file is 8-bit text: every character up to U+00FF is written as the byte
// of the same value, every other character as "?", and every line feed as
// CR LF.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vk {

// "Log session started at HH:MM:SS, MM/DD/YY." for `now` in local time.
std::string LogSessionStartLine(int64_t now);

// "Log session ended at HH:MM:SS, MM/DD/YY." and two empty lines.
std::string LogSessionEndLine(int64_t now);

// "HH:MM:SS MM/DD/YYYY text (code)", without " (code)" when code is 0.
std::string LogMessageLine(int64_t time, std::u16string_view text, int32_t code);

// `text` as 8-bit bytes, line feeds as CR LF.
std::string ToLogFileBytes(std::u16string_view text);

}  // namespace vk
