// Failure causes of archive and file operations.
#pragma once

#include <cstdint>

// Archive causes.
inline constexpr int32_t VK_AR_GENERIC = 1;      // a length that does not fit, nesting too deep
inline constexpr int32_t VK_AR_READ_ONLY = 2;    // writing to an archive that is loading
inline constexpr int32_t VK_AR_END_OF_FILE = 3;  // an item runs past the end of the data
inline constexpr int32_t VK_AR_WRITE_ONLY = 4;   // reading from an archive that is storing
inline constexpr int32_t VK_AR_BAD_INDEX = 5;    // bad object or class index
inline constexpr int32_t VK_AR_BAD_CLASS = 6;    // unknown class, or not of the requested kind
inline constexpr int32_t VK_AR_BAD_SCHEMA = 7;   // stored schema differs

// File causes.
inline constexpr int32_t VK_FILE_GENERIC = 1;
inline constexpr int32_t VK_FILE_NOT_FOUND = 2;
inline constexpr int32_t VK_FILE_BAD_PATH = 3;
inline constexpr int32_t VK_FILE_TOO_MANY_OPEN = 4;
inline constexpr int32_t VK_FILE_ACCESS_DENIED = 5;
inline constexpr int32_t VK_FILE_INVALID = 6;
inline constexpr int32_t VK_FILE_REMOVE_CURRENT_DIR = 7;
inline constexpr int32_t VK_FILE_DIRECTORY_FULL = 8;
inline constexpr int32_t VK_FILE_BAD_SEEK = 9;
inline constexpr int32_t VK_FILE_HARD_IO = 10;
inline constexpr int32_t VK_FILE_SHARING_VIOLATION = 11;
inline constexpr int32_t VK_FILE_LOCK_VIOLATION = 12;
inline constexpr int32_t VK_FILE_DISK_FULL = 13;
inline constexpr int32_t VK_FILE_END_OF_FILE = 14;

// The file cause for a platform (Win32-numbered) error code.
int32_t VkFileCauseFromError(int32_t code);

// A short English text for an archive cause ("end of data", ...), for tools.
const char* VkArchiveCauseText(int32_t cause);
