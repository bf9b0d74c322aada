// cOrkLog: reading the memory list and showing it.
#include <algorithm>
#include <atomic>
#include <cstdio>

#include "log/format.h"
#include "log/orklog.h"
#include "log/orklog_state.h"
#include "platform/core/clock.h"
#include "platform/core/text.h"

namespace {

using Guard = std::lock_guard<std::recursive_mutex>;

std::atomic<OrkMessageBoxHandler> messageBoxHandler{nullptr};

void ShowOnStandardError(std::u16string_view caption, std::u16string_view text) {
  const std::string out = vk::ToUtf8(caption) + "\n" + vk::ToUtf8(text) + "\n";
  std::fwrite(out.data(), 1, out.size(), stderr);
  std::fflush(stderr);
}

void ShowMessageBox(void* ownerWindow, std::u16string_view caption, std::u16string_view text, bool taskModal) {
  if (OrkMessageBoxHandler handler = messageBoxHandler.load())
    handler(ownerWindow, caption, text, taskModal);
  else
    ShowOnStandardError(caption, text);
}

// "n. Time: HH:MM:SS, Code: c (±0xMAGNITUDE)" and the text, each ending in CR LF.
std::u16string ComposedLine(uint32_t number, const OrkLogEntry& e) {
  const std::string clock = vk::FormatLocalTime(e.time, "%H:%M:%S");
  const std::u16string time(clock.begin(), clock.end());
  const char16_t sign = e.code < 0 ? u'-' : u'+';
  const uint32_t bits = static_cast<uint32_t>(e.code);
  const uint32_t magnitude = e.code < 0 ? 0u - bits : bits;  // -2147483648 gives 0x80000000
  return vk::Format(u"%d. Time: %s, Code: %ld (%c0x%08X)\r\n%s\r\n", static_cast<int32_t>(number), time, e.code, sign,
                    magnitude, e.text);
}

}  // namespace

void OrkSetMessageBoxHandler(OrkMessageBoxHandler handler) { messageBoxHandler.store(handler); }

uint32_t cOrkLog::CountMessages(uint32_t mask) const {
  Guard guard(state_->lock);
  const OrkLogEntry* begin = state_->entries.get();
  return static_cast<uint32_t>(std::count_if(begin, begin + state_->messageCount,
                                             [mask](const OrkLogEntry& e) { return (e.type & mask) != 0; }));
}

int32_t cOrkLog::GetMemMessage(uint32_t* index, uint32_t mask, int32_t* time, uint32_t* type, char16_t* buffer,
                               uint32_t length) {
  int32_t code = 0;
  return GetMemMessageEx(index, mask, time, type, &code, buffer, length);
}

int32_t cOrkLog::GetMemMessageEx(uint32_t* index, uint32_t mask, int32_t* time, uint32_t* type, int32_t* code,
                                 char16_t* buffer, uint32_t length) {
  Guard guard(state_->lock);
  if (!index) return -1;
  const State& s = *state_;
  while (*index < s.messageCount && !(s.entries[*index].type & mask)) ++*index;
  if (*index >= s.messageCount) return -1;
  const OrkLogEntry& e = s.entries[*index];
  if (time) *time = e.time;
  if (type) *type = e.type;
  if (code) *code = e.code;
  // A buffer of length 0 receives nothing, not even a terminator.
  if (buffer && length > 0) {
    const size_t n = std::min<size_t>(e.text.size(), length - 1);
    std::copy_n(e.text.data(), n, buffer);
    buffer[n] = 0;
  }
  ++*index;
  return 0;
}

std::vector<cOrkLogMessage> cOrkLog::GetMessages(uint32_t mask) const {
  Guard guard(state_->lock);
  const State& s = *state_;
  std::vector<cOrkLogMessage> messages;
  for (uint32_t i = 0; i < s.messageCount; ++i) {
    const OrkLogEntry& e = s.entries[i];
    if (e.type & mask) messages.push_back({e.time, e.type, e.code, e.text});
  }
  return messages;
}

int32_t cOrkLog::ComposeSingleMemoryMessage(char16_t** out, uint32_t mask) {
  Guard guard(state_->lock);
  const State& s = *state_;
  if (s.messageCount == 0 || !out) return 0;
  size_t total = 0;
  for (uint32_t j = 0; j < s.messageCount; ++j)
    if (s.entries[j].type & mask) total += s.entries[j].text.size();
  std::u16string composed;
  composed.reserve(total + 64 * (static_cast<size_t>(s.messageCount) + 1));
  int32_t lines = 0;
  for (uint32_t j = 0; j < s.messageCount; ++j) {
    if (!(s.entries[j].type & mask)) continue;
    composed += ComposedLine(j + 1, s.entries[j]);  // numbers count every entry
    ++lines;
  }
  char16_t* result = new char16_t[composed.size() + 1];
  std::copy(composed.begin(), composed.end(), result);
  result[composed.size()] = 0;
  *out = result;
  return lines;
}

void cOrkLog::ReleaseMemoryMessage(char16_t* text) { delete[] text; }

void cOrkLog::ShowMemMessages(void* ownerWindow, uint32_t mask) {
  char16_t* text = nullptr;
  if (ComposeSingleMemoryMessage(&text, mask) > 0)
    ShowMessageBox(ownerWindow, mask == LOG_ERROR ? u"Error message(s)" : u"Information message(s)", text, false);
  ReleaseMemoryMessage(text);
}

void cOrkLog::ShowThreadSafeMemMessages(void* ownerWindow, uint32_t mask) {
  char16_t* text = nullptr;
  if (ComposeSingleMemoryMessage(&text, mask) > 0) ShowMessageBox(ownerWindow, u"Error message(s)", text, true);
  ReleaseMemoryMessage(text);
}
