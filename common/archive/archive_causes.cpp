#include "common/archive/archive_causes.h"

#include "platform/core/error_codes.h"

int32_t VkFileCauseFromError(int32_t code) {
  switch (code) {
    case 0:
      return 0;
    case ERROR_FILE_NOT_FOUND:
      return VK_FILE_NOT_FOUND;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_FILENAME_EXCED_RANGE:
      return VK_FILE_BAD_PATH;
    case ERROR_TOO_MANY_OPEN_FILES:
      return VK_FILE_TOO_MANY_OPEN;
    case ERROR_ACCESS_DENIED:
    case ERROR_DIRECTORY:
      return VK_FILE_ACCESS_DENIED;
    case ERROR_INVALID_HANDLE:
      return VK_FILE_INVALID;
    case ERROR_DIR_NOT_EMPTY:
      return VK_FILE_REMOVE_CURRENT_DIR;
    case ERROR_SHARING_VIOLATION:
      return VK_FILE_SHARING_VIOLATION;
    case ERROR_LOCK_VIOLATION:
      return VK_FILE_LOCK_VIOLATION;
    case ERROR_DISK_FULL:
      return VK_FILE_DISK_FULL;
    case ERROR_HANDLE_EOF:
      return VK_FILE_END_OF_FILE;
    case ERROR_READ_FAULT:
    case ERROR_WRITE_FAULT:
    case ERROR_GEN_FAILURE:
      return VK_FILE_HARD_IO;
    default:
      return VK_FILE_GENERIC;
  }
}

const char* VkArchiveCauseText(int32_t cause) {
  switch (cause) {
    case 0:
      return "no error";
    case VK_AR_GENERIC:
      return "generic failure (a length that does not fit)";
    case VK_AR_READ_ONLY:
      return "writing to an archive that is loading";
    case VK_AR_END_OF_FILE:
      return "end of data";
    case VK_AR_WRITE_ONLY:
      return "reading from an archive that is storing";
    case VK_AR_BAD_INDEX:
      return "bad index";
    case VK_AR_BAD_CLASS:
      return "bad class";
    case VK_AR_BAD_SCHEMA:
      return "schema mismatch";
    default:
      return "unknown cause";
  }
}
