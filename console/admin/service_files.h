// cVkServiceFiles: the agent's files as built (the program, its libraries
// and the unit file, listed by the build beside the console), their total
// size, and copying them to a computer's installation directory or deleting
// them from it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ssh/remote_computer.h"

class cOrkLog;
class cVkProgressWindow;

class cVkServiceFiles {
 public:
  // The list of the agent's files in the program folder, one name a line.
  static constexpr std::u16string_view kListName = u"viewkeeper-agent.files";
  static constexpr std::u16string_view kProgramName = u"deskagent";
  static constexpr std::u16string_view kUnitName = u"viewkeeper.service";
  // Copies per file after access-denied or sharing failures, and their pause.
  static constexpr int kCopyRetries = 5;
  static constexpr uint32_t kCopyRetryWaitMs = 500;

  // Fills the lists from `programFolder` (ends with "/") and sums the sizes.
  int32_t Init(cOrkLog& log, std::u16string_view programFolder);

  // Copies the program and its libraries into `directory`.
  int32_t CopyTo(cOrkLog& log, vk::remote::RemoteComputer& computer, std::u16string_view computerName,
                 std::u16string_view directory, cVkProgressWindow* progress,
                 const std::function<void(uint32_t)>& wait) const;
  // Deletes the files, the files the agent made and the folder of `executablePath`.
  int32_t DeleteFrom(cOrkLog& log, vk::remote::RemoteComputer& computer, std::u16string_view computerName,
                     std::u16string_view executablePath, cVkProgressWindow* progress) const;

  // The unit as installed into `directory`: its program path quoted, the
  // display name the agent later replaces with its port and build.
  int32_t UnitText(cOrkLog& log, std::u16string_view directory, std::string& text) const;

  const std::vector<std::u16string>& FileNames() const { return fileNames_; }
  const std::vector<std::u16string>& SourcePaths() const { return sourcePaths_; }
  uint64_t TotalSize() const { return totalSize_; }
  // Files the agent makes in its folder, deleted on removal.
  static const std::vector<std::u16string>& AgentMadeFiles();

 private:
  int32_t CopyOneFile(cOrkLog& log, vk::remote::RemoteComputer& computer, size_t index, std::u16string_view staging,
                      std::u16string_view directory, const std::function<void(uint32_t)>& wait) const;
  int32_t CreateDirectories(cOrkLog& log, vk::remote::RemoteComputer& computer, std::u16string_view computerName,
                            std::u16string_view directory, std::u16string_view share) const;

  std::vector<std::u16string> sourcePaths_;  // program and libraries
  std::vector<std::u16string> fileNames_;
  std::u16string unitSource_;
  uint64_t totalSize_ = 0;
};

// A path as stored in the unit, without the quotes around it.
std::u16string VkUnquotePath(std::u16string_view path);
