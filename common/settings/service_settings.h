// cVkServiceSettings: the agent's configuration, in four parts.
//
// The agent keeps one instance for its lifetime, loads it from Settings.dat,
// replaces it over RPC with CopyFrom and saves it. Activities never read the
// shared instance's parts directly: they take copies with the getters.
#pragma once

#include <memory>
#include <mutex>

#include "common/settings/settings_parts.h"

class cVkServiceSettings : public cVkObject {
  VK_DECLARE_SERIAL(cVkServiceSettings)

 public:
  cVkServiceSettings() = default;
  cVkServiceSettings(const cVkServiceSettings&) = delete;
  cVkServiceSettings& operator=(const cVkServiceSettings&) = delete;

  void Serialize(cVkArchive& archive) override;
  cVkObject* Clone() const override { return VkCloneByCopy(*this); }
  void CopyFrom(const cVkObject& other) override;
  void VisitFields(cVkFieldVisitor& visitor) const override;

  // Copies of the parts, taken under the lock; the caller owns them.
  std::unique_ptr<cVkServiceSettingsConnection> GetConnection() const;
  std::unique_ptr<cVkServiceSettingsInput> GetInput() const;
  std::unique_ptr<cVkServiceSettingsScreen> GetScreen() const;
  std::unique_ptr<cVkServiceSettingsTray> GetTray() const;
  // Replaces the four parts under the lock.
  void SetParts(const cVkServiceSettingsConnection& connection, const cVkServiceSettingsInput& input,
                const cVkServiceSettingsScreen& screen, const cVkServiceSettingsTray& tray);

 private:
  cVkServiceSettingsConnection connection_;
  cVkServiceSettingsInput input_;
  cVkServiceSettingsScreen screen_;
  cVkServiceSettingsTray tray_;
  mutable std::recursive_mutex lock_;
};
