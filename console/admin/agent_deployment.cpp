// Installing, removing and upgrading the agent on a computer.
#include "console/admin/agent_data.h"
#include "console/admin/operator_ui.h"
#include "console/admin/remote_detail.h"
#include "console/admin/service_files.h"
#include "log/orklog.h"
#include "platform/core/error_codes.h"

namespace {

std::u16string Join(const std::vector<std::u16string>& items) {
  std::u16string joined;
  for (const std::u16string& item : items) {
    if (!joined.empty()) joined += u", ";
    joined += item;
  }
  return joined;
}

std::u16string ProgramPath(std::u16string_view directory) {
  std::u16string path(directory);
  while (path.size() > 1 && path.back() == u'/') path.pop_back();
  return path + u"/" + std::u16string(cVkServiceFiles::kProgramName);
}

// The installation directory of an executable path: the path without the
// first "/deskagent".
std::u16string InstallationDirectory(std::u16string_view executablePath) {
  std::u16string path = VkUnquotePath(executablePath);
  std::u16string name = u"/" + std::u16string(cVkServiceFiles::kProgramName);
  size_t at = path.find(name);
  if (at != std::u16string::npos) path.erase(at, name.size());
  return path;
}

}  // namespace

int32_t cVkAgentData::CheckLibraries(cOrkLog& log, std::u16string_view directory) {
  std::vector<vk::remote::MissingLibrary> missing;
  int32_t rc = remote_->FindMissingLibraries(ProgramPath(directory), missing);
  if (rc != 0) {
    VkLogRemoteDetail(log, rc, remote_->LastErrorText());
    log.LogMsg(LOG_ERROR, rc, u"Error checking the shared libraries of the service on computer '%s'. Errorcode %ld.",
               computerName_, rc);
    return rc;
  }
  if (missing.empty()) return 0;
  std::vector<std::u16string> libraries;
  std::vector<std::u16string> packages;
  for (const vk::remote::MissingLibrary& m : missing) {
    libraries.push_back(m.library);
    if (!m.package.empty()) packages.push_back(m.package);
  }
  rc = ERROR_MOD_NOT_FOUND;
  log.LogMsg(
      LOG_ERROR, rc,
      u"The ViewKeeper service cannot run on computer '%s': it lacks the shared libraries %s. Install the Debian "
      u"packages that provide them (%s) and try again. Errorcode %ld.",
      computerName_, Join(libraries), packages.empty() ? std::u16string(u"unknown") : Join(packages), rc);
  return rc;
}

int32_t cVkAgentData::Install(cOrkLog& log, const cVkServiceFiles& files, std::u16string_view directory,
                              cVkProgressWindow* progress) {
  int32_t rc = OpenService(log, progress);
  if (rc == 0) return 0;
  if (rc != ERROR_SERVICE_DOES_NOT_EXIST) {
    log.LogMsg(LOG_ERROR, rc,
               u"An error occurred while installing the service on computer '%s'. Could not get service handle. "
               u"Errorcode %ld.",
               computerName_, rc);
    return rc;
  }
  log.Clear();
  std::function<void(uint32_t)> wait = [this](uint32_t ms) { Wait(ms); };
  rc = files.CopyTo(log, *remote_, computerName_, directory, progress, wait);
  if (rc != 0) {
    log.LogMsg(LOG_ERROR, rc,
               u"An error occurred while copying service files to the directory '%s' on computer '%s'. Errorcode %ld.",
               directory, computerName_, rc);
    return rc;
  }
  // An agent whose libraries do not resolve would only fail at its start:
  // leave the computer as it was instead.
  if (rc = CheckLibraries(log, directory); rc != 0) {
    files.DeleteFrom(log, *remote_, computerName_, ProgramPath(directory), progress);
    return rc;
  }
  VkProgress(progress, u"Progress: Creating the ViewKeeper service on computer '" + computerName_ + u"'.");
  std::string unit;
  if (rc = files.UnitText(log, directory, unit); rc == 0) rc = remote_->CreateService(unit);
  if (rc != 0) {
    VkLogRemoteDetail(log, rc, remote_->LastErrorText());
    log.LogNetMsg(LOG_ERROR, rc, u"Error installing the service on computer '%s'. Errorcode %ld.", computerName_, rc);
    NoteFailure(rc);
    return rc;
  }
  serviceState_ = vk::remote::kServiceStopped;
  return 0;
}

int32_t cVkAgentData::Remove(cOrkLog& log, const cVkServiceFiles& files, cVkProgressWindow* progress) {
  int32_t rc = OpenService(log, progress);
  if (rc == ERROR_SERVICE_DOES_NOT_EXIST) {
    serviceState_ = 0;
    return 0;
  }
  if (rc != 0) {
    log.LogMsg(LOG_ERROR, rc,
               u"An error occurred while removing the service. Could not connect to service on computer %s. Errorcode "
               u"%ld.",
               computerName_, rc);
    serviceState_ = 0;
    return rc;
  }
  vk::remote::ServiceConfig config;
  if (rc = Stop(log, progress); rc != 0) {
    log.LogMsg(
        LOG_ERROR, rc,
        u"An error occurred while removing the service. Could not stop to service on computer %s. Errorcode %ld.",
        computerName_, rc);
  } else if (rc = QueryConfig(log, progress, config); rc != 0) {
    log.LogMsg(LOG_ERROR, rc,
               u"An error occurred while removing the service. Could not query the service configuration. Errorcode "
               u"%ld.",
               rc);
  } else {
    VkProgress(progress, u"Progress: Deleting the ViewKeeper service.");
    if (rc = remote_->DeleteService(); rc != 0) {
      VkLogRemoteDetail(log, rc, remote_->LastErrorText());
      log.LogNetMsg(LOG_ERROR, rc,
                    u"An error occurred while removing the service. Could not delete the service from the service "
                    u"manager. Errorcode %ld.",
                    rc);
    } else if (rc = files.DeleteFrom(log, *remote_, computerName_, config.binaryPath, progress); rc != 0) {
      log.LogMsg(LOG_ERROR, rc,
                 u"An error occurred while removing the service. Could not remove the service files from computer %s. "
                 u"Errorcode %ld.",
                 computerName_, rc);
    }
  }
  serviceState_ = 0;
  return rc;
}

int32_t cVkAgentData::Upgrade(cOrkLog& log, const cVkServiceFiles& files, cVkProgressWindow* progress) {
  int32_t rc = Stop(log, progress);
  if (rc != 0) {
    log.LogMsg(
        LOG_ERROR, rc,
        u"An error occurred while upgrading the service. Could not stop the service on computer %s. Errorcode %ld.",
        computerName_, rc);
    return rc;
  }
  vk::remote::ServiceConfig config;
  if (rc = QueryConfig(log, progress, config); rc != 0) {
    log.LogMsg(LOG_ERROR, rc, u"An error occurred while retrieving the service configuration. Errorcode %ld.", rc);
    return rc;
  }
  std::u16string directory = InstallationDirectory(config.binaryPath);
  std::function<void(uint32_t)> wait = [this](uint32_t ms) { Wait(ms); };
  int32_t copied = files.CopyTo(log, *remote_, computerName_, directory, progress, wait);
  if (copied != 0) {
    log.LogMsg(LOG_ERROR, copied, u"An error occurred while installing the service on computer %s. Errorcode %ld.",
               computerName_, copied);
  }
  // Each file is replaced whole, so the agent can start again after a
  // failed copy; it must not be left stopped.
  if (remote_ == nullptr) return copied;
  rc = Start(log, progress);
  if (rc != 0) {
    log.LogMsg(LOG_ERROR, rc,
               u"An error occurred while upgrading the service. Could not start the service on computer %s. Errorcode "
               u"%ld.",
               computerName_, rc);
  }
  return copied != 0 ? copied : rc;
}
