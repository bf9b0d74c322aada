// cOrkLog: adding formatted messages (LogMsg, LogNetMsg, LogAdsiMsg).
#include <algorithm>

#include "log/format_prep.h"
#include "log/orklog.h"
#include "log/orklog_state.h"
#include "platform/core/clock.h"

namespace {

// Room a code's text may take behind the blank, terminator included: the
// whole text stays below kFormatBufferLength - 2 characters.
constexpr size_t kCodeTextLimit = kFormatBufferLength - 4;  // 4092

// Formats into `out`; a format error, an empty result or one that does not
// fit the buffer with its terminator gives the invalid-string text.
void FormatInto(std::u16string& out, std::u16string_view format, std::span<const vk::FormatArg> args) {
  out.clear();
  const auto result = vk::FormatWide(out, format, args, kFormatBufferLength - 1);
  if (result != vk::FormatResult::Ok || out.empty()) out.assign(kInvalidErrorString);
}

}  // namespace

void cOrkLog::LogFormatted(Kind kind, uint32_t type, int32_t code, std::u16string_view format,
                           std::span<const vk::FormatArg> args) {
  LogPrepared(kind, type, code, vk::ProcessFormatString(format), args);
}

void cOrkLog::LogNarrowFormatted(Kind kind, uint32_t type, int32_t code, std::string_view format,
                                 std::span<const vk::FormatArg> args) {
  LogPrepared(kind, type, code, vk::ProcessFormatString(format), args);
}

void cOrkLog::LogPrepared(Kind kind, uint32_t type, int32_t code, std::u16string_view format,
                          std::span<const vk::FormatArg> args) {
  std::lock_guard guard(state_->lock);
  std::u16string& text = state_->formatBuffer;
  FormatInto(text, format, args);

  const size_t length = text.size();
  if (kind != Kind::Plain && length < kCodeTextLimit) {
    char16_t room[kFormatBufferLength];
    const uint32_t roomLength = static_cast<uint32_t>(kCodeTextLimit + 1 - length);
    text.push_back(u' ');
    if (kind == Kind::Adsi) {
      GetAdsiErrorText(code, room, roomLength);
      text.append(room);
    } else if (GetNetErrorText(static_cast<uint32_t>(code), room, roomLength) > 0) {
      text.append(room);
    } else {
      const std::u16string_view unknown = u"Unknown message.";
      text.append(unknown.substr(0, std::min(unknown.size(), kFormatBufferLength - 1 - text.size())));
    }
  }
  UpdateMsg(vk::CurrentUnixTime(), type, code, text);
}
