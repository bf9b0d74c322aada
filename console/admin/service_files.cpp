#include "console/admin/service_files.h"

#include "console/admin/operator_ui.h"
#include "console/admin/remote_detail.h"
#include "console/admin/temp_share.h"
#include "log/orklog.h"
#include "platform/core/error_codes.h"
#include "platform/core/text.h"
#include "platform/files/whole_file.h"
#include "platform/paths/paths.h"

namespace {

std::u16string JoinPath(std::u16string_view folder, std::u16string_view name) {
  std::u16string path(folder);
  if (!path.empty() && path.back() != u'/') path += u'/';
  return path + std::u16string(name);
}

std::vector<std::u16string> Lines(const std::vector<uint8_t>& bytes) {
  std::vector<std::u16string> lines;
  std::string text(bytes.begin(), bytes.end());
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line.find('/') == std::string::npos) lines.push_back(vk::FromUtf8(line));
  }
  return lines;
}

int32_t AddFileSize(cOrkLog& log, const std::u16string& path, uint64_t* total) {
  uint64_t size = 0;
  int32_t rc = vk::paths::FileSize(path, &size);
  if (rc == ERROR_FILE_NOT_FOUND || rc == ERROR_PATH_NOT_FOUND || rc == ERROR_ACCESS_DENIED) {
    log.LogNetMsg(LOG_ERROR, rc, u"Error opening file '%s'. Errorcode %ld.", path, rc);
    return rc;
  }
  if (rc != 0) {
    log.LogNetMsg(LOG_ERROR, rc, u"Error getting the size from file '%s'. Errorcode %ld.", path, rc);
    return rc;
  }
  *total += size;
  return 0;
}

bool IsRetryable(int32_t rc) { return rc == ERROR_ACCESS_DENIED || rc == ERROR_SHARING_VIOLATION; }

// The folders from the top down to `directory` ("/opt", "/opt/viewkeeper").
std::vector<std::u16string> Levels(std::u16string_view directory) {
  std::vector<std::u16string> levels;
  for (size_t pos = 1; pos <= directory.size(); ++pos) {
    if (pos == directory.size() || directory[pos] == u'/') {
      if (pos > 1 && directory[pos - 1] != u'/') levels.emplace_back(directory.substr(0, pos));
    }
  }
  return levels;
}

std::u16string TrimSlashes(std::u16string_view directory) {
  std::u16string d(directory);
  while (d.size() > 1 && d.back() == u'/') d.pop_back();
  return d;
}

// The agent's registry lives outside its folder; it goes with the agent.
void DeleteAgentData(cOrkLog& log, vk::remote::RemoteComputer& computer, std::u16string_view computerName) {
  static constexpr std::u16string_view kFiles[] = {u"/var/lib/viewkeeper/registry/HKLM.reg",
                                                   u"/var/lib/viewkeeper/registry/HKLM.reg.lock"};
  static constexpr std::u16string_view kFolders[] = {u"/var/lib/viewkeeper/registry", u"/var/lib/viewkeeper"};
  for (std::u16string_view file : kFiles) {
    if (int32_t rc = computer.DeleteFile(file); rc != 0 && rc != ERROR_FILE_NOT_FOUND) {
      log.LogNetMsg(LOG_DETAIL, rc, u"Error deleting file '%s' from computer '%s'. Errorcode %ld.", file, computerName,
                    rc);
    }
  }
  for (std::u16string_view folder : kFolders) {
    if (int32_t rc = computer.RemoveFolder(folder); rc != 0 && rc != ERROR_FILE_NOT_FOUND) {
      log.LogNetMsg(LOG_DETAIL, rc, u"Error deleting service directory from computer '%s'. Errorcode %ld.",
                    computerName, rc);
    }
  }
}

}  // namespace

std::u16string VkUnquotePath(std::u16string_view path) {
  if (path.size() >= 2 && path.front() == u'"' && path.back() == u'"')
    return std::u16string(path.substr(1, path.size() - 2));
  return std::u16string(path);
}

const std::vector<std::u16string>& cVkServiceFiles::AgentMadeFiles() {
  static const std::vector<std::u16string> files{u"DeskAgent.log", u"Settings.dat"};
  return files;
}

int32_t cVkServiceFiles::Init(cOrkLog& log, std::u16string_view programFolder) {
  sourcePaths_.clear();
  fileNames_.clear();
  totalSize_ = 0;
  std::u16string listPath = JoinPath(programFolder, kListName);
  std::vector<uint8_t> bytes;
  int32_t rc = vk::files::ReadWholeFile(listPath, bytes, 64 * 1024);
  if (rc != 0) {
    log.LogNetMsg(LOG_ERROR, rc, u"Error opening file '%s'. Errorcode %ld.", listPath, rc);
  } else {
    for (const std::u16string& name : Lines(bytes)) {
      if (name == kUnitName) continue;
      fileNames_.push_back(name);
      sourcePaths_.push_back(JoinPath(programFolder, name));
      if (rc = AddFileSize(log, sourcePaths_.back(), &totalSize_); rc != 0) break;
    }
  }
  unitSource_ = JoinPath(programFolder, kUnitName);
  if (rc == 0) rc = AddFileSize(log, unitSource_, &totalSize_);
  if (rc == 0 && (fileNames_.empty() || fileNames_.front() != kProgramName)) {
    rc = ERROR_INVALID_DATA;
    log.LogMsg(LOG_ERROR, rc, u"The list '%s' does not name the agent program first. Errorcode %ld.", listPath, rc);
  }
  if (rc != 0) {
    log.LogMsg(LOG_ERROR, rc, u"An error has occurred while initializing the service file controller. Errorcode %ld.",
               rc);
  }
  return rc;
}

int32_t cVkServiceFiles::UnitText(cOrkLog& log, std::u16string_view directory, std::string& text) const {
  std::vector<uint8_t> bytes;
  int32_t rc = vk::files::ReadWholeFile(unitSource_, bytes, 64 * 1024);
  if (rc != 0) {
    log.LogNetMsg(LOG_ERROR, rc, u"Error opening file '%s'. Errorcode %ld.", unitSource_, rc);
    return rc;
  }
  std::string program = vk::ToUtf8(JoinPath(directory, kProgramName));
  text.clear();
  std::string source(bytes.begin(), bytes.end());
  size_t pos = 0;
  while (pos < source.size()) {
    size_t end = source.find('\n', pos);
    if (end == std::string::npos) end = source.size();
    std::string line = source.substr(pos, end - pos);
    pos = end + 1;
    if (line.rfind("Description=", 0) == 0) line = "Description=ViewKeeper service";
    // Quoted, so that a directory with blanks stays one path.
    if (line.rfind("ExecStart=", 0) == 0) line = "ExecStart=\"" + program + "\"";
    if (line.rfind("Documentation=", 0) == 0) continue;
    text += line + "\n";
  }
  return 0;
}

int32_t cVkServiceFiles::CreateDirectories(cOrkLog& log, vk::remote::RemoteComputer& computer,
                                           std::u16string_view computerName, std::u16string_view directory,
                                           std::u16string_view share) const {
  for (const std::u16string& level : Levels(directory)) {
    int32_t rc = computer.CreateFolder(level);
    if (rc == 0 || rc == ERROR_ALREADY_EXISTS) continue;
    VkLogRemoteDetail(log, rc, computer.LastErrorText());
    log.LogNetMsg(LOG_ERROR, rc, u"Error creating directory '%s'. Errorcode %ld.", level, rc);
    log.LogMsg(LOG_ERROR, rc, u"Error creating directories on computer '%s' using share '%s'. Errorcode %ld.",
               computerName, share, rc);
    return rc;
  }
  return 0;
}

int32_t cVkServiceFiles::CopyOneFile(cOrkLog& log, vk::remote::RemoteComputer& computer, size_t index,
                                     std::u16string_view staging, std::u16string_view directory,
                                     const std::function<void(uint32_t)>& wait) const {
  const std::u16string& name = fileNames_[index];
  std::u16string target = JoinPath(directory, name);
  int32_t rc = 0;
  for (int attempt = 0; attempt <= kCopyRetries; ++attempt) {
    rc = computer.CopyFile(sourcePaths_[index], staging, target, 0755);
    if (rc == 0) return 0;
    VkLogRemoteDetail(log, rc, computer.LastErrorText());
    if (!IsRetryable(rc) || attempt == kCopyRetries) break;
    log.LogNetMsg(LOG_ERROR, rc, u"Error copying file '%s' to '%s' (Try %ld). Errorcode %ld.", sourcePaths_[index],
                  target, static_cast<int32_t>(attempt + 1), rc);
    if (wait) wait(kCopyRetryWaitMs);
  }
  if (rc == ERROR_USER_MAPPED_FILE) {
    log.LogNetMsg(LOG_ERROR, rc, u"Error copying file '%s' to '%s'. Errorcode %ld.", sourcePaths_[index], target, rc);
    log.LogMsg(LOG_WARNING,
               u"This error generally occurs when one or more files are still loaded into another application like "
               u"the eventviewer.");
    log.LogMsg(LOG_WARNING, u"Please close the eventviewer on the remote computer before retrying.");
  } else if (!IsRetryable(rc)) {
    log.LogNetMsg(LOG_ERROR, rc, u"Error copying file '%s' to '%s'. Errorcode %ld.", sourcePaths_[index], target, rc);
  }
  return rc;
}

int32_t cVkServiceFiles::CopyTo(cOrkLog& log, vk::remote::RemoteComputer& computer, std::u16string_view computerName,
                                std::u16string_view directoryIn, cVkProgressWindow* progress,
                                const std::function<void(uint32_t)>& wait) const {
  std::u16string directory = TrimSlashes(VkUnquotePath(directoryIn));
  if (directory.empty() || directory.front() != u'/' || directory.size() < 2) {
    log.LogMsg(LOG_ERROR, -1, u"The installation directory '%s' is invalid. Errorcode %ld.", directoryIn, -1);
    return -1;
  }
  cVkTempShare share(computer);
  VkProgress(progress, u"Progress: Creating temporary share on computer '" + std::u16string(computerName) + u"'.");
  int32_t failure = share.CreateShare(log, computerName, directory, totalSize_);
  if (failure != 0) {
    log.LogMsg(LOG_ERROR, failure,
               u"An error occurred while creating a temporary share on computer '%s'. Errorcode %ld.", computerName,
               failure);
  }
  if (failure == 0) {
    VkProgress(progress, u"Progress: Creating directories on remote machine.");
    failure = CreateDirectories(log, computer, computerName, directory, share.Path());
  }
  for (size_t i = 0; failure == 0 && i < fileNames_.size(); ++i) {
    VkProgress(progress,
               u"Progress: Copying file '" + fileNames_[i] + u"' to '" + std::u16string(computerName) + u"'.");
    failure = CopyOneFile(log, computer, i, share.Path(), directory, wait);
    if (failure != 0) {
      log.LogMsg(LOG_ERROR, failure,
                 u"An error has occurres while copying the file '%s' to computer '%s'. Errorcode %ld.", sourcePaths_[i],
                 computerName, failure);
    }
  }
  VkProgress(progress, u"Progress: Deleting temporary share on computer '" + std::u16string(computerName) + u"'.");
  std::u16string sharePath = share.Path();
  if (int32_t rc = share.DeleteShare(log, computerName); rc != 0) {
    log.LogMsg(LOG_ERROR, rc, u"The temporary share '%s' could not be removed from computer '%s'. Errorcode %ld.",
               sharePath, computerName, rc);
    return rc;
  }
  return failure != 0 ? -1 : 0;
}

int32_t cVkServiceFiles::DeleteFrom(cOrkLog& log, vk::remote::RemoteComputer& computer,
                                    std::u16string_view computerName, std::u16string_view executablePathIn,
                                    cVkProgressWindow* progress) const {
  std::u16string executablePath = VkUnquotePath(executablePathIn);
  size_t slash = executablePath.find_last_of(u'/');
  if (executablePath.empty() || executablePath.front() != u'/' || slash == 0 || slash == std::u16string::npos) {
    log.LogMsg(LOG_ERROR, -1, u"The executable directory '%s' is invalid. Errorcode %ld.", executablePathIn, -1);
    return -1;
  }
  std::u16string folder = executablePath.substr(0, slash);
  cVkTempShare share(computer);
  VkProgress(progress, u"Progress: Creating temporary share on computer '" + std::u16string(computerName) + u"'.");
  int32_t failure = share.CreateShare(log, computerName, folder, totalSize_);
  if (failure != 0) {
    log.LogMsg(LOG_ERROR, failure,
               u"An error occurred while creating a temporary share on computer '%s'. Errorcode %ld.", computerName,
               failure);
  } else {
    VkProgress(progress, u"Progress: Deleting service files from computer '" + std::u16string(computerName) + u"'.");
    std::vector<std::u16string> names = fileNames_;
    names.insert(names.end(), AgentMadeFiles().begin(), AgentMadeFiles().end());
    for (const std::u16string& name : names) {
      if (int32_t rc = computer.DeleteFile(JoinPath(folder, name)); rc != 0) {
        log.LogNetMsg(LOG_DETAIL, rc, u"Error deleting file '%s' from computer '%s'. Errorcode %ld.", name,
                      computerName, rc);
      }
    }
    if (int32_t rc = computer.RemoveFolder(folder); rc != 0) {
      log.LogNetMsg(LOG_DETAIL, rc, u"Error deleting service directory from computer '%s'. Errorcode %ld.",
                    computerName, rc);
    }
    DeleteAgentData(log, computer, computerName);
  }
  std::u16string sharePath = share.Path();
  if (int32_t rc = share.DeleteShare(log, computerName); rc != 0) {
    log.LogMsg(LOG_ERROR, rc, u"The temporary share '%s' could not be removed from computer '%s'. Errorcode %ld.",
               sharePath, computerName, rc);
    return rc;
  }
  return failure != 0 ? -1 : 0;
}
