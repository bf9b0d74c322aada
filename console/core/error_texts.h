// The error dialog's short title and explanation for a result code.
#pragma once

#include <cstdint>
#include <string_view>

struct VkErrorTexts {
  std::u16string_view title;
  std::u16string_view explanation;
};

VkErrorTexts VkErrorTextsFor(int32_t code);
