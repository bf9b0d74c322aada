// Archive strings: written as UTF-16 behind the marker FF FE FF; read in
// either that form or the older single-byte form.
#include "common/archive/archive.h"

namespace {

// Windows-1252, the ANSI code page of the systems that wrote single-byte
// strings; 0x80-0x9F differ from Latin-1 (unassigned codes stay as they are).
constexpr char16_t kCp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                      0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char16_t FromAnsi(uint8_t c) {
  if (c >= 0x80 && c < 0xA0) return kCp1252High[c - 0x80];
  return c;
}

}  // namespace

void cVkArchive::StoreNumber(uint64_t length) {
  if (length < 0xFF) {
    WriteByte(static_cast<uint8_t>(length));
    return;
  }
  WriteByte(0xFF);
  if (length < 0xFFFE) {
    WriteWord(static_cast<uint16_t>(length));
    return;
  }
  WriteWord(0xFFFF);
  if (length < 0xFFFFFFFFu) {
    WriteDword(static_cast<uint32_t>(length));
    return;
  }
  WriteDword(0xFFFFFFFFu);
  WriteQword(length);
}

void cVkArchive::WriteString(std::u16string_view text) {
  WriteByte(0xFF);
  WriteWord(0xFFFE);
  StoreNumber(text.size());
  if (!CanWrite()) return;
  size_t start = out_->size();
  out_->resize(start + 2 * text.size());
  uint8_t* p = out_->data() + start;
  for (char16_t c : text) {
    *p++ = static_cast<uint8_t>(c);
    *p++ = static_cast<uint8_t>(c >> 8);
  }
}

std::u16string cVkArchive::ReadString() {
  bool wide = false;
  uint64_t length = ReadByte();
  if (length == 0xFF) {
    uint16_t word = ReadWord();
    if (word == 0xFFFE) {
      wide = true;
      length = ReadByte();
      if (length == 0xFF) word = ReadWord();
    }
    if (length == 0xFF) {
      length = word;
      if (word == 0xFFFF) {
        length = ReadDword();
        if (length == 0xFFFFFFFFu) {
          length = ReadQword();
          if (failure_ == 0 && length > 0x7FFFFFFFu) Fail(VK_AR_GENERIC);
        }
      }
    }
  }
  if (failure_ != 0) return {};
  size_t unit = wide ? 2 : 1;
  if (length > Remaining() / unit) {
    Fail(VK_AR_END_OF_FILE);
    return {};
  }
  std::u16string text(static_cast<size_t>(length), u'\0');
  const uint8_t* p = in_.data() + pos_;
  for (size_t i = 0; i < text.size(); ++i) {
    text[i] = wide ? static_cast<char16_t>(p[2 * i] | (p[2 * i + 1] << 8)) : FromAnsi(p[i]);
  }
  pos_ += text.size() * unit;
  return text;
}
