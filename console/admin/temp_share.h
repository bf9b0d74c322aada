// cVkTempShare: the private staging folder files travel through on their
// way to a computer (a folder of the login user, mode 0700, below its home
// folder), with the free-space check of the target.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/ssh/remote_computer.h"

class cOrkLog;

class cVkTempShare {
 public:
  // Draws of a new name when one is taken, at most.
  static constexpr int kMaxNameDraws = 100;

  explicit cVkTempShare(vk::remote::RemoteComputer& computer);
  ~cVkTempShare() = default;
  cVkTempShare(const cVkTempShare&) = delete;
  cVkTempShare& operator=(const cVkTempShare&) = delete;

  // Creates the folder and checks that `targetFolder`'s file system has
  // `requiredBytes` free. The folder stays for the caller to delete.
  int32_t CreateShare(cOrkLog& log, std::u16string_view computerName, std::u16string_view targetFolder,
                      uint64_t requiredBytes);
  int32_t DeleteShare(cOrkLog& log, std::u16string_view computerName);
  int32_t FreeSpace(cOrkLog& log, std::u16string_view targetFolder, uint64_t* bytes);
  const std::u16string& Path() const { return path_; }

 private:
  vk::remote::RemoteComputer& computer_;
  std::u16string path_;
  uint32_t seed_;
};
