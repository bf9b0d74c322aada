// Texts that came from outside (a user name sent by a console, a name read
// from a request) are escaped before they are logged: a control character
// would otherwise reach the log file and the event log raw, where a
// terminal showing the file would act on it.
#pragma once

#include <string>
#include <string_view>

// `text` with every control character (U+0000..U+001F, U+007F..U+009F) and
// every backslash written as an escape: "\\n", "\\t", "\\r", "\\\\" or
// "\\xNN" (two hex digits), so that the result holds none and can be read
// back unambiguously.
std::u16string VkEscapeControls(std::u16string_view text);
