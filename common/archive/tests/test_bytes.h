// Building expected byte vectors in tests: hex text and ASCII pieces.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vktest {

// "01 00 FF" -> {1, 0, 255}; blanks are ignored.
inline std::vector<uint8_t> Hex(std::string_view text) {
  std::vector<uint8_t> out;
  int high = -1;
  for (char c : text) {
    int v = (c >= '0' && c <= '9')   ? c - '0'
            : (c >= 'a' && c <= 'f') ? c - 'a' + 10
            : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                     : -1;
    if (v < 0) continue;
    if (high < 0) {
      high = v;
    } else {
      out.push_back(static_cast<uint8_t>(high * 16 + v));
      high = -1;
    }
  }
  return out;
}

inline std::vector<uint8_t> Ascii(std::string_view text) { return {text.begin(), text.end()}; }

// Concatenation of pieces.
inline std::vector<uint8_t> Cat(std::initializer_list<std::vector<uint8_t>> pieces) {
  std::vector<uint8_t> out;
  for (const auto& p : pieces) out.insert(out.end(), p.begin(), p.end());
  return out;
}

inline std::vector<uint8_t> Word(uint32_t value) {
  return {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8)};
}

// A cVkCollection whose elements are A0 (empty) and A1..An, each a
// collection holding two references to the element before: every level
// doubles what a copying reader builds. Indices: the collection class 1, the
// outer collection 2, A0 3, Ai i+3. With 30 levels, 393 bytes.
inline std::vector<uint8_t> NestedReferenceRecord(uint32_t levels) {
  std::vector<uint8_t> bytes = Cat({Hex("FF FF 01 00 0D 00"), Ascii("cVkCollection"), Hex("01 00 00 00"),
                                    Word(levels + 1), Hex("01 80 01 00 00 00 00 00")});
  for (uint32_t i = 1; i <= levels; ++i) bytes = Cat({bytes, Hex("01 80 01 00 00 00 02 00"), Word(i + 2), Word(i + 2)});
  return bytes;
}

inline std::string ToHex(const std::vector<uint8_t>& bytes) {
  static const char* digits = "0123456789ABCDEF";
  std::string s;
  for (uint8_t b : bytes) {
    if (!s.empty()) s += ' ';
    s += digits[b >> 4];
    s += digits[b & 15];
  }
  return s;
}

}  // namespace vktest
