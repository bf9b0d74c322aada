#include "log/text_escape.h"

namespace {

bool IsControl(char16_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }

void AppendHexEscape(std::u16string& out, char16_t c) {
  static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  out += u"\\x";
  out += kDigits[(c >> 4) & 0xF];
  out += kDigits[c & 0xF];
}

}  // namespace

std::u16string VkEscapeControls(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (char16_t c : text) {
    switch (c) {
      case u'\\':
        out += u"\\\\";
        break;
      case u'\n':
        out += u"\\n";
        break;
      case u'\r':
        out += u"\\r";
        break;
      case u'\t':
        out += u"\\t";
        break;
      default:
        if (IsControl(c))
          AppendHexEscape(out, c);
        else
          out += c;
    }
  }
  return out;
}
