// The files that hold the registry roots, and their safe reading and writing.
//
// HKEY_LOCAL_MACHINE lives in /var/lib/viewkeeper/registry/HKLM.reg and
// HKEY_CURRENT_USER in $XDG_CONFIG_HOME/viewkeeper/HKCU.reg (else
// $HOME/.config/...; with neither set to an absolute folder the user has no
// store); the environment variable VIEWKEEPER_REGISTRY_DIR puts both into
// another folder. A change takes an advisory lock on "<file>.lock" (never
// through a symbolic link), reads the file afresh, applies the
// change and replaces the file atomically (temporary file and rename), so
// that several processes writing at once lose no update and a reader always
// sees a whole file. A damaged file is never written over.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/registry/reg_document.h"

namespace vk {

enum class RegRoot : uint32_t {
  ClassesRoot = 0x80000000,
  CurrentUser = 0x80000001,
  LocalMachine = 0x80000002,
};

// The full name of a root ("HKEY_LOCAL_MACHINE"), or empty for one we do not keep.
std::u16string_view RegRootName(RegRoot root);
// The file of a root, or empty for one we do not keep (and for the current
// user's when the environment names no home for it).
std::string RegRootFile(RegRoot root);

// Files larger than this are refused as damaged.
inline constexpr size_t kMaxRegFileBytes = 16 * 1024 * 1024;

// Loads a root's file; a missing file is an empty root. Answers 0, a Win32
// code of the file system, or ERROR_REGISTRY_CORRUPT (1015) with *problem
// naming the file, the line and the fault.
int32_t LoadRegFile(const std::string& path, std::u16string_view rootName, RegDocument* doc, std::string* problem);

// Changes a root's file under its lock. change() answers 0 to have the
// document written, anything else to leave the file as it was; that code is
// the answer. A lock file that is a symbolic link gives ERROR_ACCESS_DENIED
// with *problem naming it.
int32_t UpdateRegFile(const std::string& path, std::u16string_view rootName,
                      const std::function<int32_t(RegDocument&)>& change, std::string* problem);

}  // namespace vk
