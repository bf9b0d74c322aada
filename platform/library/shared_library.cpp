#include "platform/library/shared_library.h"

#include <dlfcn.h>

#include "platform/core/error_codes.h"
#include "platform/core/text.h"
#include "platform/service/process_info.h"

namespace vk {

SharedLibrary::~SharedLibrary() { Close(); }

int32_t SharedLibrary::Open(std::u16string_view path) {
  Close();
  if (path.empty() || path.front() != u'/') {
    lastError_ = "not an absolute path";
    return ERROR_MOD_NOT_FOUND;
  }
  std::string file = ToUtf8(path);
  handle_ = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ != nullptr) return 0;
  const char* why = dlerror();
  lastError_ = why != nullptr ? why : "";
  return ERROR_MOD_NOT_FOUND;
}

void* SharedLibrary::Symbol(const char* name, int32_t* code) const {
  void* address = handle_ != nullptr ? dlsym(handle_, name) : nullptr;
  *code = address != nullptr ? 0 : ERROR_PROC_NOT_FOUND;
  return address;
}

int32_t SharedLibrary::Close() {
  if (handle_ == nullptr) return 0;
  int rc = dlclose(handle_);
  handle_ = nullptr;
  return rc == 0 ? 0 : ERROR_GEN_FAILURE;
}

std::u16string ProgramFolder() {
  std::u16string path = service::ProgramFilePath();
  size_t slash = path.rfind(u'/');
  return slash == std::u16string::npos ? std::u16string() : path.substr(0, slash + 1);
}

}  // namespace vk
