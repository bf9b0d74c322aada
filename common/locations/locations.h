// cVkLocations: where the agent keeps its settings file and log file
// (settingsPath) and its program files (servicePath). Both end in "/" once
// set up; every accessor takes the lock and answers a copy.
//
// The agent's start-up fills the paths (from the Locations key of the key
// store, else the program folder) through SetPaths.
#pragma once

#include <mutex>
#include <string>

#include "common/archive/object.h"

class cVkLocations : public cVkObject {
  VK_DECLARE_SERIAL(cVkLocations)

 public:
  cVkLocations() = default;
  cVkLocations(const cVkLocations&) = delete;
  cVkLocations& operator=(const cVkLocations&) = delete;

  void Serialize(cVkArchive& archive) override;
  cVkObject* Clone() const override { return VkCloneByCopy(*this); }
  void CopyFrom(const cVkObject& other) override;
  void VisitFields(cVkFieldVisitor& visitor) const override;

  void SetPaths(std::u16string settingsPath, std::u16string servicePath);
  std::u16string GetSettingsPath() const;
  std::u16string GetServicePath() const;
  std::u16string GetSettingsFile() const;      // settingsPath + "Settings.dat"
  std::u16string GetLogFile() const;           // settingsPath + "DeskAgent.log"
  std::u16string GetEventMessageFile() const;  // servicePath + "DeskMsg.dll"

 private:
  std::u16string settingsPath_;
  std::u16string servicePath_;
  mutable std::mutex lock_;
};
