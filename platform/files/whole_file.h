// Whole-file reads and atomic whole-file writes.
//
// Data files of the system (settings, agent records, tree state, the key
// store) are small and are always read and written whole. A write goes to a
// temporary file in the same folder, is flushed to disk and then renamed over
// the old file, so a crash or a full disk half-way leaves the previous file
// intact. Results are Win32-numbered codes (0 on success).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vk::files {

// Largest file ReadWholeFile accepts unless the caller gives another cap.
inline constexpr size_t kDefaultReadCap = 64u * 1024u * 1024u;

// Writes `bytes` as the whole new content of `path` (UTF-8 path). The file
// keeps the permission bits of the file it replaces; a new file gets 0600.
int32_t WriteWholeFileAtomic(const std::string& path, std::span<const uint8_t> bytes);
int32_t WriteWholeFileAtomic(std::u16string_view path, std::span<const uint8_t> bytes);

// Reads the whole file into `bytes`. A file larger than `cap` bytes is not
// read and answers ERROR_FILE_TOO_LARGE; a missing file ERROR_FILE_NOT_FOUND.
int32_t ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes, size_t cap = kDefaultReadCap);
int32_t ReadWholeFile(std::u16string_view path, std::vector<uint8_t>& bytes, size_t cap = kDefaultReadCap);

}  // namespace vk::files
