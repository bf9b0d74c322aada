#include "platform/registry/reg_document.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "platform/core/text.h"

namespace vk {
namespace {

constexpr std::u16string_view kHeader = u"Windows Registry Editor Version 5.00";
// Windows' limits for a key: its name, and how deep keys nest.
constexpr size_t kMaxKeyNameLength = 255;
constexpr size_t kMaxKeyDepth = 512;
// The paths of the keys a file creates (its ancestors included) may take at
// most this many characters per character of the file, plus the allowance.
constexpr size_t kKeyPathsPerFileChar = 4;
constexpr size_t kKeyPathsAllowance = 1 << 19;

char16_t FoldChar(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c; }

bool EqualNames(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char16_t x, char16_t y) { return FoldChar(x) == FoldChar(y); });
}

std::u16string_view TrimSpaces(std::u16string_view s) {
  while (!s.empty() && (s.front() == u' ' || s.front() == u'\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == u' ' || s.back() == u'\t')) s.remove_suffix(1);
  return s;
}

std::vector<uint8_t> TextBytes(std::u16string_view text) {
  std::vector<uint8_t> bytes;
  bytes.reserve(text.size() * 2 + 2);
  for (char16_t c : text) {
    bytes.push_back(static_cast<uint8_t>(c & 0xFF));
    bytes.push_back(static_cast<uint8_t>(c >> 8));
  }
  bytes.push_back(0);
  bytes.push_back(0);
  return bytes;
}

// The text of a string value when its bytes are exactly one line of text and
// its terminator; otherwise none, and the value is written as hex.
std::optional<std::u16string> PlainText(const std::vector<uint8_t>& data) {
  if (data.size() < 2 || data.size() % 2 != 0) return std::nullopt;
  std::u16string text;
  for (size_t i = 0; i + 2 < data.size(); i += 2) {
    char16_t c = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
    if (c == 0 || c == u'\r' || c == u'\n') return std::nullopt;
    text.push_back(c);
  }
  if (data[data.size() - 2] != 0 || data[data.size() - 1] != 0) return std::nullopt;
  if (FromUtf8(ToUtf8(text)) != text) return std::nullopt;  // unpaired surrogates
  return text;
}

std::u16string Quote(std::u16string_view text) {
  std::u16string out = u"\"";
  for (char16_t c : text) {
    if (c == u'\\' || c == u'"') out.push_back(u'\\');
    out.push_back(c);
  }
  out.push_back(u'"');
  return out;
}

std::string HexList(const std::vector<uint8_t>& data) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (size_t i = 0; i < data.size(); ++i) {
    if (i) out.push_back(',');
    out.push_back(digits[data[i] >> 4]);
    out.push_back(digits[data[i] & 0xF]);
  }
  return out;
}

std::string ValueLine(const RegValue& v) {
  std::string line = v.name.empty() ? "@=" : ToUtf8(Quote(v.name)) + "=";
  if (v.type == REG_SZ) {
    if (auto text = PlainText(v.data)) return line + ToUtf8(Quote(*text));
  }
  if (v.type == REG_DWORD && v.data.size() == 4) {
    char buf[16];
    uint32_t n = v.data[0] | (v.data[1] << 8) | (v.data[2] << 16) | (static_cast<uint32_t>(v.data[3]) << 24);
    snprintf(buf, sizeof buf, "dword:%08x", n);
    return line + buf;
  }
  if (v.type == REG_BINARY) return line + "hex:" + HexList(v.data);
  char buf[24];
  snprintf(buf, sizeof buf, "hex(%x):", v.type);
  return line + buf + HexList(v.data);
}

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// Reads 1 to max hex digits that make up the whole of s.
bool ParseHexNumber(std::u16string_view s, size_t maxDigits, uint32_t* out) {
  if (s.empty() || s.size() > maxDigits) return false;
  uint32_t n = 0;
  for (char16_t c : s) {
    int d = HexDigit(c);
    if (d < 0) return false;
    n = n * 16 + static_cast<uint32_t>(d);
  }
  *out = n;
  return true;
}

bool ParseHexBytes(std::u16string_view s, std::vector<uint8_t>* out) {
  s = TrimSpaces(s);
  if (s.empty()) return true;
  while (true) {
    size_t comma = s.find(u',');
    std::u16string_view item = TrimSpaces(s.substr(0, comma));
    uint32_t byte = 0;
    if (!ParseHexNumber(item, 2, &byte)) return false;
    out->push_back(static_cast<uint8_t>(byte));
    if (comma == std::u16string_view::npos) return true;
    s = s.substr(comma + 1);
    if (TrimSpaces(s).empty()) return true;  // a trailing comma is tolerated
  }
}

// Reads a quoted text at the start of s; returns the characters used, 0 on error.
size_t ParseQuoted(std::u16string_view s, std::u16string* out) {
  if (s.empty() || s[0] != u'"') return 0;
  for (size_t i = 1; i < s.size(); ++i) {
    char16_t c = s[i];
    if (c == u'"') return i + 1;
    if (c == u'\\') {
      if (i + 1 >= s.size() || (s[i + 1] != u'\\' && s[i + 1] != u'"')) return 0;
      c = s[++i];
    }
    out->push_back(c);
  }
  return 0;
}

std::u16string Decode(std::string_view bytes) {
  if (bytes.size() >= 2 && static_cast<uint8_t>(bytes[0]) == 0xFF && static_cast<uint8_t>(bytes[1]) == 0xFE) {
    std::u16string text;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2)
      text.push_back(static_cast<char16_t>(static_cast<uint8_t>(bytes[i]) | (static_cast<uint8_t>(bytes[i + 1]) << 8)));
    return text;
  }
  if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
  return FromUtf8(bytes);
}

std::vector<std::u16string_view> SplitLines(std::u16string_view text) {
  std::vector<std::u16string_view> lines;
  while (!text.empty()) {
    size_t end = text.find(u'\n');
    std::u16string_view line = text.substr(0, end);
    if (!line.empty() && line.back() == u'\r') line.remove_suffix(1);
    lines.push_back(line);
    if (end == std::u16string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

// One pass over a key path, before anything is built for it.
const char* KeyPathProblem(std::u16string_view path) {
  size_t depth = 0;
  size_t nameLength = 0;
  for (char16_t c : path) {
    if (c == u'\\') {
      nameLength = 0;
      continue;
    }
    if (nameLength++ == 0 && ++depth > kMaxKeyDepth) return "the key is nested more than 512 levels deep";
    if (nameLength > kMaxKeyNameLength) return "a key name is longer than 255 characters";
  }
  return nullptr;
}

class Parser {
 public:
  Parser(std::u16string_view rootName, RegDocument* doc, size_t textLength)
      : root_(rootName), doc_(doc), keyPathsLeft_(kKeyPathsPerFileChar * textLength + kKeyPathsAllowance) {}

  std::optional<RegParseError> Run(const std::vector<std::u16string_view>& lines) {
    for (index_ = 0; index_ < lines.size(); ++index_) {
      std::u16string_view line = TrimSpaces(lines[index_]);
      if (line.empty() || line[0] == u';') continue;
      const char* problem = nullptr;
      if (!headerSeen_) {
        problem = line == kHeader ? nullptr : "the first line is not \"Windows Registry Editor Version 5.00\"";
        headerSeen_ = true;
      } else if (line[0] == u'[') {
        problem = KeyLine(line);
      } else if (line[0] == u'"' || line[0] == u'@') {
        size_t first = index_;
        std::u16string joined = JoinContinued(lines, line);
        problem = ValueLine(joined);
        if (problem) index_ = first;
      } else {
        problem = "neither a key, a value nor a comment";
      }
      if (problem) return RegParseError{static_cast<int>(index_ + 1), problem};
    }
    return std::nullopt;
  }

 private:
  // Hex data may go on over several lines, each but the last ending in '\'.
  std::u16string JoinContinued(const std::vector<std::u16string_view>& lines, std::u16string_view line) {
    std::u16string joined(line);
    size_t eq = joined.find(u"=hex");
    if (eq == std::u16string::npos) return joined;
    while (!joined.empty() && joined.back() == u'\\' && index_ + 1 < lines.size()) {
      joined.pop_back();
      joined += TrimSpaces(lines[++index_]);
    }
    return joined;
  }

  const char* KeyLine(std::u16string_view line) {
    if (line.back() != u']') return "a key line does not end with ']'";
    std::u16string_view name = line.substr(1, line.size() - 2);
    if (!name.empty() && name[0] == u'-') return "deleting a key is not possible in a stored file";
    if (name.size() < root_.size() || !EqualNames(name.substr(0, root_.size()), root_) ||
        (name.size() > root_.size() && name[root_.size()] != u'\\'))
      return "the key is not below the file's root key";
    std::u16string_view path = name.substr(root_.size());
    if (const char* problem = KeyPathProblem(path)) return problem;
    current_ = doc_->CreateKeyWithin(path, &keyPathsLeft_);
    return current_ ? nullptr : "the key's missing ancestors take more than the file allows";
  }

  const char* ValueLine(std::u16string_view line) {
    if (!current_) return "a value before the first key";
    std::u16string name;
    size_t used = 1;
    if (line[0] == u'"') {
      used = ParseQuoted(line, &name);
      if (used == 0) return "the value name is not a properly quoted text";
    }
    std::u16string_view rest = TrimSpaces(line.substr(used));
    if (rest.empty() || rest[0] != u'=') return "'=' expected after the value name";
    rest = TrimSpaces(rest.substr(1));
    uint32_t type = REG_NONE;
    std::vector<uint8_t> data;
    if (const char* problem = ValueData(rest, &type, &data)) return problem;
    current_->SetValue(name, type, std::move(data));
    return nullptr;
  }

  const char* ValueData(std::u16string_view s, uint32_t* type, std::vector<uint8_t>* data) {
    if (!s.empty() && s[0] == u'"') {
      std::u16string text;
      size_t used = ParseQuoted(s, &text);
      if (used == 0 || !TrimSpaces(s.substr(used)).empty()) return "the string data is not a properly quoted text";
      *type = REG_SZ;
      *data = TextBytes(text);
      return nullptr;
    }
    if (s.starts_with(u"dword:")) {
      uint32_t n = 0;
      if (!ParseHexNumber(s.substr(6), 8, &n)) return "dword data must be 1 to 8 hexadecimal digits";
      *type = REG_DWORD;
      *data = {static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n >> 16),
               static_cast<uint8_t>(n >> 24)};
      return nullptr;
    }
    if (s.starts_with(u"hex:")) {
      *type = REG_BINARY;
      return ParseHexBytes(s.substr(4), data) ? nullptr : "hex data must be bytes separated by commas";
    }
    if (s.starts_with(u"hex(")) {
      size_t close = s.find(u"):");
      if (close == std::u16string_view::npos || !ParseHexNumber(s.substr(4, close - 4), 8, type))
        return "the type of hex data must be a hexadecimal number: hex(n):";
      return ParseHexBytes(s.substr(close + 2), data) ? nullptr : "hex data must be bytes separated by commas";
    }
    if (s == u"-") return "deleting a value is not possible in a stored file";
    return "the value data is not a quoted text, dword: or hex";
  }

  std::u16string_view root_;
  RegDocument* doc_;
  RegKeyNode* current_ = nullptr;
  bool headerSeen_ = false;
  size_t index_ = 0;
  size_t keyPathsLeft_;
};

}  // namespace

std::u16string FoldName(std::u16string_view name) {
  std::u16string folded(name);
  for (char16_t& c : folded) c = FoldChar(c);
  return folded;
}

std::u16string NormalizeKeyPath(std::u16string_view path) {
  std::u16string out;
  while (!path.empty()) {
    size_t sep = path.find(u'\\');
    std::u16string_view part = path.substr(0, sep);
    if (!part.empty()) {
      if (!out.empty()) out.push_back(u'\\');
      out += part;
    }
    if (sep == std::u16string_view::npos) break;
    path.remove_prefix(sep + 1);
  }
  return out;
}

const RegValue* RegKeyNode::FindValue(std::u16string_view name) const {
  for (const RegValue& v : values)
    if (EqualNames(v.name, name)) return &v;
  return nullptr;
}

void RegKeyNode::SetValue(std::u16string_view name, uint32_t type, std::vector<uint8_t> data) {
  for (RegValue& v : values) {
    if (EqualNames(v.name, name)) {
      v.type = type;
      v.data = std::move(data);
      return;
    }
  }
  values.push_back(RegValue{std::u16string(name), type, std::move(data)});
}

const RegKeyNode* RegDocument::FindKey(std::u16string_view path) const {
  std::u16string normal = NormalizeKeyPath(path);
  if (normal.empty() && !keys_.contains(u"")) {
    static const RegKeyNode root;
    return &root;  // the root always exists
  }
  auto it = keys_.find(FoldName(normal));
  return it == keys_.end() ? nullptr : &it->second;
}

RegKeyNode* RegDocument::FindKey(std::u16string_view path) {
  std::u16string normal = NormalizeKeyPath(path);
  if (normal.empty()) return &CreateKey(u"");
  auto it = keys_.find(FoldName(normal));
  return it == keys_.end() ? nullptr : &it->second;
}

RegKeyNode& RegDocument::CreateKey(std::u16string_view path) {
  size_t unlimited = SIZE_MAX;
  return *CreateKeyWithin(path, &unlimited);
}

// Every key's ancestors exist, so the walk goes up from the key to the first
// ancestor that exists and then creates downwards: a key that exists costs
// one look-up, a new one what the paths of its new keys take.
RegKeyNode* RegDocument::CreateKeyWithin(std::u16string_view path, size_t* pathsLeft) {
  const std::u16string normal = NormalizeKeyPath(path);
  const std::u16string folded = FoldName(normal);
  if (normal.empty()) return &keys_[folded];
  size_t end = normal.size();
  size_t needed = 0;
  while (end > 0 && !keys_.contains(folded.substr(0, end))) {
    needed += end;
    size_t sep = normal.rfind(u'\\', end - 1);
    end = sep == std::u16string::npos ? 0 : sep;
  }
  if (needed > *pathsLeft) return nullptr;
  *pathsLeft -= needed;
  while (end < normal.size()) {
    size_t sep = normal.find(u'\\', end == 0 ? 0 : end + 1);
    end = sep == std::u16string::npos ? normal.size() : sep;
    auto [it, added] = keys_.try_emplace(folded.substr(0, end));
    if (added) it->second.path = normal.substr(0, end);
  }
  return &keys_.find(folded)->second;
}

std::string RegDocument::ToText(std::u16string_view rootName) const {
  std::string text = ToUtf8(kHeader) + "\n";
  for (const auto& [folded, key] : keys_) {
    if (key.path.empty() && key.values.empty()) continue;
    text += "\n[" + ToUtf8(rootName) + (key.path.empty() ? "" : "\\") + ToUtf8(key.path) + "]\n";
    for (const RegValue& v : key.values) text += ValueLine(v) + "\n";
  }
  return text;
}

std::optional<RegParseError> RegDocument::FromText(std::string_view bytes, std::u16string_view rootName,
                                                   RegDocument* out) {
  RegDocument doc;
  std::u16string text = Decode(bytes);
  std::optional<RegParseError> error = Parser(rootName, &doc, text.size()).Run(SplitLines(text));
  if (!error) *out = std::move(doc);
  return error;
}

}  // namespace vk
