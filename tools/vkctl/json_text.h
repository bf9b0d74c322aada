// A text as a JSON string literal.
#pragma once

#include <string>
#include <string_view>

std::string VkJsonString(std::string_view text);
