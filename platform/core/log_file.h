// A text log file that several writers append to at once.
//
// The file is opened shared: other processes and other streams of this
// process (each log object has its own) may read and write it while it is
// open. Every Write goes to the end of the file in one system call, so lines
// of concurrent writers never interleave, and it reaches the operating system
// at once (nothing is buffered in the process).
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

namespace vk {

class LogFileStream {
 public:
  enum class Mode {
    Append,     // create if missing, keep the contents ("a+")
    Overwrite,  // create or truncate ("w")
  };

  // Opens `path` (UTF-16). Answers nullptr and sets *error (a Win32 code)
  // when the file cannot be opened.
  static std::unique_ptr<LogFileStream> Open(std::u16string_view path, Mode mode, int32_t* error = nullptr);

  ~LogFileStream();
  LogFileStream(const LogFileStream&) = delete;
  LogFileStream& operator=(const LogFileStream&) = delete;

  // Appends `bytes` at the end of the file; false when not all were written.
  bool Write(std::string_view bytes);

 private:
  explicit LogFileStream(int fd) : fd_(fd) {}
  int fd_;
};

}  // namespace vk
