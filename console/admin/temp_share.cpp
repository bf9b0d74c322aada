#include "console/admin/temp_share.h"

#include <chrono>

#include "console/admin/remote_detail.h"
#include "log/orklog.h"
#include "platform/core/error_codes.h"

namespace {

uint32_t NextRandom(uint32_t& seed) {
  seed = seed * 1103515245u + 12345u;
  return (seed >> 16) % 10000u;
}

}  // namespace

cVkTempShare::cVkTempShare(vk::remote::RemoteComputer& computer)
    : computer_(computer), seed_(static_cast<uint32_t>(std::chrono::system_clock::now().time_since_epoch().count())) {}

int32_t cVkTempShare::CreateShare(cOrkLog& log, std::u16string_view computerName, std::u16string_view targetFolder,
                                  uint64_t requiredBytes) {
  int32_t rc = ERROR_ALREADY_EXISTS;
  std::u16string path;
  for (int draw = 0; draw < kMaxNameDraws && rc == ERROR_ALREADY_EXISTS; ++draw) {
    std::u16string name = u".CVL_TMP_SHARE_";
    for (char c : std::to_string(NextRandom(seed_))) name += static_cast<char16_t>(c);
    rc = computer_.CreateStagingFolder(name, &path);
  }
  if (rc != 0) {
    VkLogRemoteDetail(log, rc, computer_.LastErrorText());
    log.LogNetMsg(LOG_ERROR, rc, u"Error creating a temporary share on computer '%s'. Errorcode %ld.", computerName,
                  rc);
    return rc;
  }
  path_ = path;
  uint64_t free = 0;
  if (rc = FreeSpace(log, targetFolder, &free); rc != 0) {
    log.LogMsg(LOG_ERROR, rc,
               u"An error has occurred while checking the available diskspace on share '%s'. Errorcode %ld.", path_,
               rc);
    return rc;
  }
  if (free < requiredBytes) {
    log.LogMsg(LOG_ERROR, -1, u"There is not enough available diskspace on the target drive. Errorcode %ld.", -1);
    return -1;
  }
  return 0;
}

int32_t cVkTempShare::FreeSpace(cOrkLog& log, std::u16string_view targetFolder, uint64_t* bytes) {
  int32_t rc = computer_.FreeSpace(targetFolder, bytes);
  if (rc != 0) {
    VkLogRemoteDetail(log, rc, computer_.LastErrorText());
    log.LogNetMsg(LOG_ERROR, rc, u"Error getting disk space information with share '%s'. Errorcode %ld.", path_, rc);
  }
  return rc;
}

int32_t cVkTempShare::DeleteShare(cOrkLog& log, std::u16string_view computerName) {
  if (path_.empty()) return 0;
  int32_t rc = computer_.RemoveStagingFolder(path_);
  if (rc != 0) {
    VkLogRemoteDetail(log, rc, computer_.LastErrorText());
    log.LogNetMsg(LOG_ERROR, rc, u"Error deleting share '%s' from computer '%s'. Errorcode %ld.", path_, computerName,
                  rc);
    return rc;
  }
  path_.clear();
  return 0;
}
