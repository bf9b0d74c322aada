// cOrkLog: the log object every component of the system reports through.
//
// A component adds a message whenever something fails: a formatted text, a
// 32-bit code, type bits and the time. Each message is routed to up to three
// sinks, each selected by its own type mask: a list in memory, a text log file
// and the system's event log (syslog here).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "log/format.h"

inline constexpr uint32_t LOG_ERROR = 1;
inline constexpr uint32_t LOG_WARNING = 2;
inline constexpr uint32_t LOG_INFORMATION = 4;
inline constexpr uint32_t LOG_DETAIL = 8;
inline constexpr uint32_t LOG_ALL = 0xFFFF;

// The message-box operations call a function that the program installs (the
// console installs a Qt one); the box shows an error icon, and `taskModal`
// asks for a box that can be raised from a thread without windows. With none
// installed (or nullptr), the caption and the text go to standard error.
using OrkMessageBoxHandler = void (*)(void* ownerWindow, std::u16string_view caption, std::u16string_view text,
                                      bool taskModal);
void OrkSetMessageBoxHandler(OrkMessageBoxHandler handler);

// One message of the memory list, as GetMessages hands it out.
struct cOrkLogMessage {
  int32_t time = 0;  // seconds since 1970 UTC
  uint32_t type = 0;
  int32_t code = 0;
  std::u16string text;
  bool operator==(const cOrkLogMessage&) const = default;
};

class cOrkLog {
 public:
  cOrkLog();
  ~cOrkLog();
  cOrkLog(const cOrkLog&) = delete;  // CopyLog is the copy operation
  cOrkLog& operator=(const cOrkLog&) = delete;

  // Configuration.
  void SetMemLogMask(uint32_t mask);
  void SetFileLogMask(uint32_t mask);
  void SetAppLogMask(uint32_t mask);
  void SetupEventLogging(std::u16string_view sourceName, const uint32_t eventIds[4]);
  int32_t InitializeLogFile(std::u16string_view path, int overwrite);
  int32_t CloseLogFile();
  void Lock(bool enter);

  // Adding messages: wide formats (the ones the system uses) ...
  template <class... Args>
  void LogMsg(uint32_t type, vk::WideFormatString<Args...> format, const Args&... args) {
    Log(Kind::Plain, type, 0, format.text, Pack(args...));
  }
  template <class... Args>
  void LogMsg(uint32_t type, int32_t code, vk::WideFormatString<Args...> format, const Args&... args) {
    Log(Kind::Plain, type, code, format.text, Pack(args...));
  }
  template <class... Args>
  void LogNetMsg(uint32_t type, uint32_t code, vk::WideFormatString<Args...> format, const Args&... args) {
    Log(Kind::Net, type, static_cast<int32_t>(code), format.text, Pack(args...));
  }
  template <class... Args>
  void LogAdsiMsg(uint32_t type, int32_t code, vk::WideFormatString<Args...> format, const Args&... args) {
    Log(Kind::Adsi, type, code, format.text, Pack(args...));
  }
  // ... and narrow ones ("%s" a narrow string, "%S" and "%T" a wide one).
  template <class... Args>
  void LogMsg(uint32_t type, vk::NarrowFormatString<Args...> format, const Args&... args) {
    LogNarrow(Kind::Plain, type, 0, format.text, Pack(args...));
  }
  template <class... Args>
  void LogMsg(uint32_t type, int32_t code, vk::NarrowFormatString<Args...> format, const Args&... args) {
    LogNarrow(Kind::Plain, type, code, format.text, Pack(args...));
  }
  template <class... Args>
  void LogNetMsg(uint32_t type, uint32_t code, vk::NarrowFormatString<Args...> format, const Args&... args) {
    LogNarrow(Kind::Net, type, static_cast<int32_t>(code), format.text, Pack(args...));
  }
  template <class... Args>
  void LogAdsiMsg(uint32_t type, int32_t code, vk::NarrowFormatString<Args...> format, const Args&... args) {
    LogNarrow(Kind::Adsi, type, code, format.text, Pack(args...));
  }

  // Appends an entry as given: no mask test, no routing, no lock.
  void AddMessage(int32_t time, uint32_t type, int32_t code, std::u16string_view text);

  // Reading the memory list.
  uint32_t CountMessages(uint32_t mask) const;
  int32_t GetMemMessage(uint32_t* index, uint32_t mask, int32_t* time, uint32_t* type, char16_t* buffer,
                        uint32_t length);
  int32_t GetMemMessageEx(uint32_t* index, uint32_t mask, int32_t* time, uint32_t* type, int32_t* code,
                          char16_t* buffer, uint32_t length);
  // A copy of every message whose type matches `mask`, in order, whole
  // (what GetMemMessageEx reads one at a time into a buffer).
  std::vector<cOrkLogMessage> GetMessages(uint32_t mask = LOG_ALL) const;
  int32_t ComposeSingleMemoryMessage(char16_t** out, uint32_t mask);
  void ReleaseMemoryMessage(char16_t* text);
  void ShowMemMessages(void* ownerWindow, uint32_t mask);
  void ShowThreadSafeMemMessages(void* ownerWindow, uint32_t mask);

  // Whole-log operations.
  void Clear();
  int32_t CopyLog(cOrkLog& source);
  int32_t AddLog(cOrkLog& source);

  // Allocated length of the memory list; grows in steps of 4 entries.
  uint32_t Capacity() const;

  // Text for a platform code (Win32 numbering; 2100-2999 from the network
  // table first): the number of characters written, at most length-1 and
  // always terminated; 0 when there is no text.
  static uint32_t GetNetErrorText(uint32_t code, char16_t* buffer, uint32_t length);
  // Text for a directory (ADSI) result code, at most length-1 characters and
  // always terminated; always answers 0.
  static uint32_t GetAdsiErrorText(int32_t code, char16_t* buffer, uint32_t length);

 private:
  enum class Kind { Plain, Net, Adsi };
  struct State;

  template <class... Args>
  static auto Pack(const Args&... args) {
    struct Packed {
      vk::FormatArg list[sizeof...(Args) + 1];
      std::span<const vk::FormatArg> span() const { return {list, sizeof...(Args)}; }
    };
    return Packed{{vk::FormatArg(args)..., vk::FormatArg(0)}};
  }
  template <class P>
  void Log(Kind kind, uint32_t type, int32_t code, std::u16string_view format, const P& packed) {
    LogFormatted(kind, type, code, format, packed.span());
  }
  template <class P>
  void LogNarrow(Kind kind, uint32_t type, int32_t code, std::string_view format, const P& packed) {
    LogNarrowFormatted(kind, type, code, format, packed.span());
  }
  void LogFormatted(Kind kind, uint32_t type, int32_t code, std::u16string_view format,
                    std::span<const vk::FormatArg> args);
  void LogNarrowFormatted(Kind kind, uint32_t type, int32_t code, std::string_view format,
                          std::span<const vk::FormatArg> args);
  void LogPrepared(Kind kind, uint32_t type, int32_t code, std::u16string_view format,
                   std::span<const vk::FormatArg> args);
  void UpdateMsg(int32_t time, uint32_t type, int32_t code, std::u16string& text);
  void ExtentBuffers();
  void WriteFileLine(int32_t time, int32_t code, std::u16string_view text);
  void ReportToEventLog(uint32_t type, std::u16string_view text);
  int32_t OpenFile(std::u16string_view path, bool overwrite);
  void CloseFile();

  State* state_;
};
