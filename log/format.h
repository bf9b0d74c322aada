// The system's printf-style formatter, type-safe.
//
// Message formats are kept as the system writes them ("Error binding socket
// to port %ld. Errorcode %ld."), with the meanings of the original platform:
// in a wide format "%s" takes a wide (UTF-16) string, "%S" a narrow (UTF-8)
// one and "%T" a wide one; "%ld" and "%lu" are 32 bits wide. No C varargs:
// every argument carries its kind, and each conversion is checked against it.
//
// A literal format is checked at compile time (a mismatch does not compile).
// A format known only at run time goes through vk::RuntimeFormat and is
// checked while formatting; a mismatch then makes the whole result invalid.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

namespace vk {

enum class ArgKind : uint8_t { Int, UInt, Char, Double, WideStr, NarrowStr, Pointer };

struct FormatArg {
  ArgKind kind;
  union {
    int64_t i;
    uint64_t u;
    double d;
    const char16_t* ws;
    const char* ns;
    const void* p;
  };
  size_t len = 0;  // length of a string argument

  template <class T>
  static constexpr ArgKind KindOf();

  FormatArg(std::u16string_view s) : kind(ArgKind::WideStr), ws(s.data()), len(s.size()) {}
  FormatArg(const std::u16string& s) : FormatArg(std::u16string_view(s)) {}
  FormatArg(const char16_t* s) : kind(ArgKind::WideStr), ws(s), len(s ? std::char_traits<char16_t>::length(s) : 0) {}
  FormatArg(std::string_view s) : kind(ArgKind::NarrowStr), ns(s.data()), len(s.size()) {}
  FormatArg(const std::string& s) : FormatArg(std::string_view(s)) {}
  FormatArg(const char* s) : kind(ArgKind::NarrowStr), ns(s), len(s ? std::char_traits<char>::length(s) : 0) {}
  FormatArg(char16_t c) : kind(ArgKind::Char), u(c) {}
  FormatArg(char c) : kind(ArgKind::Char), u(static_cast<unsigned char>(c)) {}
  FormatArg(bool) = delete;
  template <class T>
  requires(std::is_integral_v<T>&& std::is_signed_v<T> && !std::is_same_v<T, char>) FormatArg(T v)
      : kind(ArgKind::Int), i(v) {}
  template <class T>
  requires(std::is_integral_v<T>&& std::is_unsigned_v<T> && !std::is_same_v<T, bool> && !std::is_same_v<T, char16_t> &&
           !std::is_same_v<T, char>) FormatArg(T v)
      : kind(ArgKind::UInt), u(v) {}
  template <class T>
  requires std::is_enum_v<T> FormatArg(T v) : FormatArg(static_cast<std::underlying_type_t<T>>(v)) {}
  template <class T>
  requires std::is_floating_point_v<T> FormatArg(T v) : kind(ArgKind::Double), d(static_cast<double>(v)) {}
  FormatArg(const void* v) : kind(ArgKind::Pointer), p(v) {}
};

// The kind an argument type becomes (used by the compile-time check).
template <class T>
constexpr ArgKind ArgKindOf() {
  using U = std::remove_cvref_t<std::decay_t<T>>;
  if constexpr (std::is_same_v<U, char16_t> || std::is_same_v<U, char>)
    return ArgKind::Char;
  else if constexpr (std::is_enum_v<U>)
    return ArgKindOf<std::underlying_type_t<U>>();
  else if constexpr (std::is_integral_v<U> && std::is_signed_v<U>)
    return ArgKind::Int;
  else if constexpr (std::is_integral_v<U>)
    return ArgKind::UInt;
  else if constexpr (std::is_floating_point_v<U>)
    return ArgKind::Double;
  else if constexpr (std::is_convertible_v<U, std::u16string_view>)
    return ArgKind::WideStr;
  else if constexpr (std::is_convertible_v<U, std::string_view>)
    return ArgKind::NarrowStr;
  else if constexpr (std::is_pointer_v<U>)
    return ArgKind::Pointer;
  else
    static_assert(sizeof(U) == 0, "type cannot be formatted");
}

enum class FormatResult { Ok, Invalid, Overflow };

// Formats `format` (wide meanings) with `args`, appending to `out`. Stops with
// Overflow as soon as `out` would exceed `limit` characters; answers Invalid
// for an unknown conversion or an argument that does not match it. On any
// result other than Ok the contents appended to `out` are unspecified.
FormatResult FormatWide(std::u16string& out, std::u16string_view format, std::span<const FormatArg> args,
                        size_t limit = SIZE_MAX);

// Checks a format against argument kinds: true when every conversion has an
// argument of a matching kind and no argument is left over. `narrow` selects
// the meanings of a narrow format ("%s" narrow, "%S" and "%T" wide).
constexpr bool CheckFormat(std::u16string_view format, std::span<const ArgKind> kinds, bool narrow);
constexpr bool CheckFormat(std::string_view format, std::span<const ArgKind> kinds, bool narrow);

// A format string whose text is known only at run time.
template <class Char>
struct RuntimeFormatText {
  std::basic_string_view<Char> text;
};
inline RuntimeFormatText<char16_t> RuntimeFormat(std::u16string_view s) { return {s}; }
inline RuntimeFormatText<char> RuntimeFormat(std::string_view s) { return {s}; }

namespace detail {

// One parsed conversion.
struct Conversion {
  bool left = false, plus = false, space = false, alt = false, zero = false;
  int width = -1;
  int precision = -1;
  int lengthBits = 32;  // 16 (h), 32 (none or l), 64 (ll, I64)
  char16_t conv = 0;
};

// Parses the conversion that starts after '%' at format[pos]; advances pos.
// Returns false for a malformed conversion.
template <class Char>
constexpr bool ParseConversion(std::basic_string_view<Char> f, size_t& pos, Conversion& s) {
  auto at = [&](size_t k) -> char16_t { return k < f.size() ? static_cast<char16_t>(f[k]) : 0; };
  for (;; ++pos) {
    const char16_t c = at(pos);
    if (c == '-')
      s.left = true;
    else if (c == '+')
      s.plus = true;
    else if (c == ' ')
      s.space = true;
    else if (c == '#')
      s.alt = true;
    else if (c == '0')
      s.zero = true;
    else
      break;
  }
  auto digits = [&](int& into) {
    if (at(pos) < '0' || at(pos) > '9') return false;
    into = 0;
    while (at(pos) >= '0' && at(pos) <= '9') {
      into = into * 10 + (at(pos) - '0');
      if (into > 4096) return false;
      ++pos;
    }
    return true;
  };
  digits(s.width);
  if (at(pos) == '.') {
    ++pos;
    s.precision = 0;
    digits(s.precision);
  }
  if (at(pos) == 'h') {
    ++pos, s.lengthBits = 16;
    if (at(pos) == 'h') ++pos, s.lengthBits = 8;
  } else if (at(pos) == 'l') {
    ++pos;
    if (at(pos) == 'l') ++pos, s.lengthBits = 64;
  } else if (at(pos) == 'I' && at(pos + 1) == '6' && at(pos + 2) == '4') {
    pos += 3, s.lengthBits = 64;
  } else if (at(pos) == 'z') {
    ++pos, s.lengthBits = 64;
  }
  s.conv = at(pos);
  if (s.conv == 0) return false;
  ++pos;
  return true;
}

// Whether an argument kind fits a conversion character (wide meanings).
constexpr bool KindFits(char16_t conv, ArgKind k) {
  switch (conv) {
    case 'd':
    case 'i':
    case 'u':
    case 'x':
    case 'X':
    case 'o':
      return k == ArgKind::Int || k == ArgKind::UInt || k == ArgKind::Char;
    case 'c':
    case 'C':
      return k == ArgKind::Char || k == ArgKind::Int || k == ArgKind::UInt;
    case 'f':
    case 'F':
    case 'e':
    case 'E':
    case 'g':
    case 'G':
      return k == ArgKind::Double;
    case 's':
    case 'T':
      return k == ArgKind::WideStr;
    case 'S':
      return k == ArgKind::NarrowStr;
    case 'p':
      return k == ArgKind::Pointer;
    default:
      return false;
  }
}

// In a narrow format a bare "%s" names a narrow string and a bare "%S" a
// wide one: narrow formats are rewritten pair by pair ("%s" -> "%S",
// "%S" -> "%s"), so a conversion with flags, width or precision ("%-8s")
// keeps its wide meaning.
constexpr char16_t WideMeaning(char16_t conv, bool narrow, bool bare) {
  if (!narrow || !bare) return conv;
  if (conv == 's') return 'S';
  if (conv == 'S') return 'T';
  return conv;
}

template <class Char>
constexpr bool Check(std::basic_string_view<Char> f, std::span<const ArgKind> kinds, bool narrow) {
  size_t next = 0;
  for (size_t pos = 0; pos < f.size();) {
    if (f[pos] != '%') {
      ++pos;
      continue;
    }
    ++pos;
    if (pos < f.size() && f[pos] == '%') {
      ++pos;
      continue;
    }
    const size_t start = pos;
    Conversion s;
    if (!ParseConversion(f, pos, s)) return false;
    if (next >= kinds.size()) return false;
    if (!KindFits(WideMeaning(s.conv, narrow, pos == start + 1), kinds[next++])) return false;
  }
  return next == kinds.size();
}

template <class T>
struct ArgKinds;
template <class... Args>
struct ArgKinds<void(Args...)> {
  static constexpr ArgKind list[sizeof...(Args) + 1] = {ArgKindOf<Args>()..., ArgKind::Int};
  static constexpr std::span<const ArgKind> span() { return {list, sizeof...(Args)}; }
};

void FormatCheckFailed();  // not constexpr: calling it at compile time is the error

}  // namespace detail

constexpr bool CheckFormat(std::u16string_view format, std::span<const ArgKind> kinds, bool narrow) {
  return detail::Check(format, kinds, narrow);
}
constexpr bool CheckFormat(std::string_view format, std::span<const ArgKind> kinds, bool narrow) {
  return detail::Check(format, kinds, narrow);
}

// A format string checked at compile time against the argument types.
template <class Char, class... Args>
struct BasicFormatString {
  std::basic_string_view<Char> text;
  bool checked = true;

  template <class S>
  requires std::is_convertible_v<const S&, std::basic_string_view<Char>>
  consteval BasicFormatString(const S& s) : text(s) {
    if (!CheckFormat(text, detail::ArgKinds<void(Args...)>::span(), std::is_same_v<Char, char>))
      detail::FormatCheckFailed();  // format does not match its arguments
  }
  BasicFormatString(RuntimeFormatText<Char> r) : text(r.text), checked(false) {}
};

template <class... Args>
using WideFormatString = BasicFormatString<char16_t, std::type_identity_t<Args>...>;
template <class... Args>
using NarrowFormatString = BasicFormatString<char, std::type_identity_t<Args>...>;

// Formats a message into a new text; an invalid format yields an empty text
// and `ok` false.
template <class... Args>
std::u16string Format(WideFormatString<Args...> format, const Args&... args) {
  const FormatArg list[] = {FormatArg(args)..., FormatArg(0)};
  std::u16string out;
  if (FormatWide(out, format.text, std::span<const FormatArg>(list, sizeof...(Args))) != FormatResult::Ok) out.clear();
  return out;
}

}  // namespace vk
