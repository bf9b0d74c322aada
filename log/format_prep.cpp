#include "log/format_prep.h"

#include "platform/core/text.h"

namespace vk {

void ReplaceFormatChar(std::u16string& text, std::u16string_view pair, char16_t newChar) {
  if (pair.size() != 2) return;
  size_t pos = text.find(pair);
  while (pos != std::u16string::npos) {
    text[pos + 1] = newChar;
    pos = text.find(pair, pos + 2);
  }
}

std::u16string ProcessFormatString(std::u16string_view format) {
  std::u16string prepared(format);
  ReplaceFormatChar(prepared, u"%T", u's');
  return prepared;
}

std::u16string ProcessFormatString(std::string_view format) {
  std::u16string prepared = FromUtf8(format);
  ReplaceFormatChar(prepared, u"%S", u'T');
  ReplaceFormatChar(prepared, u"%s", u'S');
  ReplaceFormatChar(prepared, u"%T", u's');
  return prepared;
}

}  // namespace vk
