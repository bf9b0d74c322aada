// A UTF-8 text as a JSON string literal: quotes, backslashes and control
// characters escaped, everything else as it is.
#pragma once

#include <string>
#include <string_view>

std::string VkJsonString(std::string_view text);
