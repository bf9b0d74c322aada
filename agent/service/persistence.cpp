#include "agent/service/persistence.h"

namespace vk::agent {

void cVkPersistence::SetSettingsSaveable(bool saveable) {
  std::lock_guard lock(lock_);
  settingsSaveable_ = saveable;
}

void cVkPersistence::SetSecuritySaveable(bool saveable) {
  std::lock_guard lock(lock_);
  securitySaveable_ = saveable;
}

bool cVkPersistence::SettingsSaveable() {
  std::lock_guard lock(lock_);
  return settingsSaveable_;
}

bool cVkPersistence::SecuritySaveable() {
  std::lock_guard lock(lock_);
  return securitySaveable_;
}

}  // namespace vk::agent
