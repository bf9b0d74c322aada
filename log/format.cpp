#include "log/format.h"

#include <cstdio>

#include "platform/core/text.h"

namespace vk {
namespace detail {
void FormatCheckFailed() {}
}  // namespace detail

namespace {

using detail::Conversion;

class Writer {
 public:
  Writer(std::u16string& out, size_t limit) : out_(out), limit_(limit) {}

  bool Append(std::u16string_view s) {
    if (s.size() > limit_ || out_.size() > limit_ - s.size()) return false;
    out_.append(s);
    return true;
  }
  bool Append(char16_t c, size_t count = 1) {
    if (count > limit_ || out_.size() > limit_ - count) return false;
    out_.append(count, c);
    return true;
  }
  // Appends `body` padded to the conversion's width.
  bool Padded(const Conversion& s, std::u16string_view body) {
    const size_t width = s.width > 0 ? static_cast<size_t>(s.width) : 0;
    const size_t pad = width > body.size() ? width - body.size() : 0;
    if (!s.left && !Append(u' ', pad)) return false;
    if (!Append(body)) return false;
    return !s.left || Append(u' ', pad);
  }

 private:
  std::u16string& out_;
  size_t limit_;
};

// Rebuilds the printf conversion for a number, with the given length
// modifier and conversion, so that the C library does the digit work.
std::string NumberConversion(const Conversion& s, const char* length, char conv) {
  std::string f = "%";
  if (s.left) f += '-';
  if (s.plus) f += '+';
  if (s.space) f += ' ';
  if (s.alt) f += '#';
  if (s.zero) f += '0';
  if (s.width >= 0) f += std::to_string(s.width);
  if (s.precision >= 0) f += '.' + std::to_string(s.precision);
  f += length;
  f += conv;
  return f;
}

bool AppendAscii(Writer& w, const char* text, int n) {
  if (n < 0) return false;
  std::u16string wide(static_cast<size_t>(n), u'\0');
  for (int k = 0; k < n; ++k) wide[k] = static_cast<unsigned char>(text[k]);
  return w.Append(wide);
}

bool FormatInteger(Writer& w, const Conversion& s, const FormatArg& a) {
  char buf[4200];
  const bool isSigned = s.conv == 'd' || s.conv == 'i';
  int n;
  if (s.lengthBits == 64) {
    if (isSigned)
      n = std::snprintf(buf, sizeof buf, NumberConversion(s, "ll", 'd').c_str(), static_cast<long long>(a.i));
    else
      n = std::snprintf(buf, sizeof buf, NumberConversion(s, "ll", static_cast<char>(s.conv)).c_str(),
                        static_cast<unsigned long long>(a.u));
  } else {
    // 32 bits, as "%d" and "%ld" are on the system's original platform.
    uint32_t bits = static_cast<uint32_t>(a.u);
    if (s.lengthBits == 16) bits &= 0xFFFF;
    if (s.lengthBits == 8) bits &= 0xFF;
    if (isSigned) {
      int32_t v = static_cast<int32_t>(bits);
      if (s.lengthBits == 16) v = static_cast<int16_t>(bits);
      if (s.lengthBits == 8) v = static_cast<int8_t>(bits);
      n = std::snprintf(buf, sizeof buf, NumberConversion(s, "", 'd').c_str(), v);
    } else {
      n = std::snprintf(buf, sizeof buf, NumberConversion(s, "", static_cast<char>(s.conv)).c_str(), bits);
    }
  }
  if (n >= static_cast<int>(sizeof buf)) return false;
  return AppendAscii(w, buf, n);
}

bool FormatDouble(Writer& w, const Conversion& s, double v) {
  char buf[4200];
  const int n = std::snprintf(buf, sizeof buf, NumberConversion(s, "", static_cast<char>(s.conv)).c_str(), v);
  if (n >= static_cast<int>(sizeof buf)) return false;
  return AppendAscii(w, buf, n);
}

bool FormatString(Writer& w, const Conversion& s, const FormatArg& a) {
  std::u16string_view body;
  std::u16string converted;
  if (a.kind == ArgKind::WideStr) {
    body = a.ws ? std::u16string_view(a.ws, a.len) : std::u16string_view(u"(null)");
  } else {
    converted = a.ns ? FromUtf8(std::string_view(a.ns, a.len)) : std::u16string(u"(null)");
    body = converted;
  }
  if (s.precision >= 0 && body.size() > static_cast<size_t>(s.precision)) body = body.substr(0, s.precision);
  return w.Padded(s, body);
}

bool FormatOne(Writer& w, const Conversion& s, const FormatArg& a) {
  switch (s.conv) {
    case 'd':
    case 'i':
    case 'u':
    case 'x':
    case 'X':
    case 'o':
      return FormatInteger(w, s, a);
    case 'c':
    case 'C': {
      const char16_t c = static_cast<char16_t>(a.u);
      return w.Padded(s, std::u16string_view(&c, 1));
    }
    case 'f':
    case 'F':
    case 'e':
    case 'E':
    case 'g':
    case 'G':
      return FormatDouble(w, s, a.d);
    case 's':
    case 'S':
    case 'T':
      return FormatString(w, s, a);
    case 'p': {
      char buf[32];
      const int n = std::snprintf(buf, sizeof buf, "%p", a.p);
      return AppendAscii(w, buf, n);
    }
    default:
      return false;
  }
}

}  // namespace

FormatResult FormatWide(std::u16string& out, std::u16string_view f, std::span<const FormatArg> args, size_t limit) {
  Writer w(out, limit);
  size_t next = 0;
  size_t pos = 0;
  while (pos < f.size()) {
    const size_t percent = f.find(u'%', pos);
    const size_t end = percent == std::u16string_view::npos ? f.size() : percent;
    if (!w.Append(f.substr(pos, end - pos))) return FormatResult::Overflow;
    if (percent == std::u16string_view::npos) break;
    pos = percent + 1;
    if (pos < f.size() && f[pos] == u'%') {
      if (!w.Append(u'%')) return FormatResult::Overflow;
      ++pos;
      continue;
    }
    Conversion s;
    if (!detail::ParseConversion(f, pos, s)) return FormatResult::Invalid;
    if (next >= args.size() || !detail::KindFits(s.conv, args[next].kind)) return FormatResult::Invalid;
    if (!FormatOne(w, s, args[next++])) return FormatResult::Overflow;
  }
  return next == args.size() ? FormatResult::Ok : FormatResult::Invalid;
}

}  // namespace vk
