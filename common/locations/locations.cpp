#include "common/locations/locations.h"

#include "common/archive/archive.h"
#include "common/archive/field_visitor.h"

// Registered under the platform root, not under cVkObject.
VK_IMPLEMENT_SERIAL(cVkLocations, nullptr, 1)

void cVkLocations::Serialize(cVkArchive& ar) {
  std::lock_guard guard(lock_);
  if (ar.IsStoring()) {
    ar.WriteDword(1);
    ar.WriteString(settingsPath_);
    ar.WriteString(servicePath_);
    return;
  }
  if (ar.ReadLayoutVersion(*this) != 1) return;
  ar.Read(settingsPath_);
  ar.Read(servicePath_);
}

void cVkLocations::CopyFrom(const cVkObject& other) {
  auto* source = dynamic_cast<const cVkLocations*>(&other);
  if (source == nullptr || source == this) return;
  SetPaths(source->GetSettingsPath(), source->GetServicePath());
}

void cVkLocations::SetPaths(std::u16string settingsPath, std::u16string servicePath) {
  std::lock_guard guard(lock_);
  settingsPath_ = std::move(settingsPath);
  servicePath_ = std::move(servicePath);
}

std::u16string cVkLocations::GetSettingsPath() const {
  std::lock_guard guard(lock_);
  return settingsPath_;
}

std::u16string cVkLocations::GetServicePath() const {
  std::lock_guard guard(lock_);
  return servicePath_;
}

std::u16string cVkLocations::GetSettingsFile() const {
  std::lock_guard guard(lock_);
  return settingsPath_ + u"Settings.dat";
}

std::u16string cVkLocations::GetLogFile() const {
  std::lock_guard guard(lock_);
  return settingsPath_ + u"DeskAgent.log";
}

std::u16string cVkLocations::GetEventMessageFile() const {
  std::lock_guard guard(lock_);
  return servicePath_ + u"DeskMsg.dll";
}

void cVkLocations::VisitFields(cVkFieldVisitor& visitor) const {
  std::lock_guard guard(lock_);
  visitor.Text("settingsPath", settingsPath_);
  visitor.Text("servicePath", servicePath_);
}
