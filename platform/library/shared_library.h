// Shared libraries loaded at run time by their full path (never through the
// library search path, so that no library planted there can run inside the
// program). Answers are Win32 codes: ERROR_MOD_NOT_FOUND (126) for a library
// that cannot be loaded, ERROR_PROC_NOT_FOUND (127) for a missing symbol.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vk {

class SharedLibrary {
 public:
  SharedLibrary() = default;
  ~SharedLibrary();
  SharedLibrary(const SharedLibrary&) = delete;
  SharedLibrary& operator=(const SharedLibrary&) = delete;

  // `path` must be absolute; a bare or relative name is refused (126).
  int32_t Open(std::u16string_view path);
  // The address of `name`, or null (and ERROR_PROC_NOT_FOUND in *code).
  void* Symbol(const char* name, int32_t* code) const;
  int32_t Close();
  bool IsOpen() const { return handle_ != nullptr; }
  // The loader's text of the last failure (for diagnostics only).
  const std::string& LastError() const { return lastError_; }

 private:
  void* handle_ = nullptr;
  std::string lastError_;
};

// The folder of the running program (of /proc/self/exe) with its trailing
// "/", empty when unknown.
std::u16string ProgramFolder();

}  // namespace vk
