// The contents of one registry root in memory, and its text form.
//
// A root (HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER) is kept in a file in the
// registry export format ("Windows Registry Editor Version 5.00"), so that an
// administrator can read and edit it with a text editor. Key and value names
// compare without regard to ASCII case and keep the case they were written in.
// Values keep their exact bytes: a string value is only shown as "text" when
// its bytes are exactly that text and one terminating zero.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vk {

inline constexpr uint32_t REG_NONE = 0;
inline constexpr uint32_t REG_SZ = 1;
inline constexpr uint32_t REG_EXPAND_SZ = 2;
inline constexpr uint32_t REG_BINARY = 3;
inline constexpr uint32_t REG_DWORD = 4;

struct RegValue {
  std::u16string name;  // empty: the key's default value
  uint32_t type = REG_NONE;
  std::vector<uint8_t> data;
};

struct RegKeyNode {
  std::u16string path;  // below the root, components joined by '\'; empty: the root
  std::vector<RegValue> values;

  const RegValue* FindValue(std::u16string_view name) const;
  void SetValue(std::u16string_view name, uint32_t type, std::vector<uint8_t> data);
};

// Why a file could not be read: the line (1-based) and what was wrong there.
struct RegParseError {
  int line = 0;
  std::string reason;
};

class RegDocument {
 public:
  // Key paths may use any case and stray separators ("A\\B\" is "A\B").
  const RegKeyNode* FindKey(std::u16string_view path) const;
  RegKeyNode* FindKey(std::u16string_view path);
  // Creates the key and every missing ancestor.
  RegKeyNode& CreateKey(std::u16string_view path);
  // The same when the paths of the keys it creates take at most *pathsLeft
  // characters, which it then takes from *pathsLeft; null (and nothing
  // created) otherwise.
  RegKeyNode* CreateKeyWithin(std::u16string_view path, size_t* pathsLeft);
  size_t KeyCount() const { return keys_.size(); }

  // The text form; rootName is the root's full name ("HKEY_LOCAL_MACHINE").
  std::string ToText(std::u16string_view rootName) const;
  // Reads a text form (UTF-8, or UTF-16LE with its byte-order mark). Keys
  // outside rootName, unknown syntax and bad numbers are errors, and so are
  // keys nested deeper than Windows allows (512 levels), key names longer
  // than it allows (255 characters) and keys whose missing ancestors would
  // take far more than the file itself.
  static std::optional<RegParseError> FromText(std::string_view bytes, std::u16string_view rootName, RegDocument* out);

 private:
  std::map<std::u16string, RegKeyNode> keys_;  // by folded path
};

// The canonical form of a key path: empty components dropped.
std::u16string NormalizeKeyPath(std::u16string_view path);
// ASCII case folding used for key and value names.
std::u16string FoldName(std::u16string_view name);

}  // namespace vk
