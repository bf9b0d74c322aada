// Which loaded state the stop routine may write back.
//
// Settings and access rights are saved at stop only when they were loaded
// at start (or found missing, so that the defaults are what was meant), or
// changed through RPC since. A start that failed before loading them, or a
// file that could not be read, leaves what is on disk untouched.
#pragma once

#include <mutex>

namespace vk::agent {

class cVkPersistence {
 public:
  void SetSettingsSaveable(bool saveable);
  void SetSecuritySaveable(bool saveable);
  bool SettingsSaveable();
  bool SecuritySaveable();
  // Serialises saves of the settings file (stop routine and RPC calls).
  std::mutex& SettingsSaveLock() { return saveLock_; }

 private:
  std::mutex lock_;
  std::mutex saveLock_;
  bool settingsSaveable_ = false;
  bool securitySaveable_ = false;
};

}  // namespace vk::agent
