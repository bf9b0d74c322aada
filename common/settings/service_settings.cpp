#include "common/settings/service_settings.h"

#include "common/archive/archive.h"
#include "common/archive/field_visitor.h"

VK_IMPLEMENT_SERIAL(cVkServiceSettings, &cVkObject::classInfo, 1)

void cVkServiceSettings::Serialize(cVkArchive& ar) {
  std::lock_guard guard(lock_);
  if (ar.IsStoring()) {
    ar.WriteDword(1);
  } else if (ar.ReadLayoutVersion(*this) != 1) {
    return;
  }
  connection_.Serialize(ar);
  input_.Serialize(ar);
  screen_.Serialize(ar);
  tray_.Serialize(ar);
}

void cVkServiceSettings::CopyFrom(const cVkObject& other) {
  auto* source = dynamic_cast<const cVkServiceSettings*>(&other);
  if (source == nullptr || source == this) return;
  // Copy the source under its own lock first, so that two locks are never
  // held together.
  cVkServiceSettingsConnection connection;
  cVkServiceSettingsInput input;
  cVkServiceSettingsScreen screen;
  cVkServiceSettingsTray tray;
  {
    std::lock_guard guard(source->lock_);
    connection.CopyFrom(source->connection_);
    input.CopyFrom(source->input_);
    screen.CopyFrom(source->screen_);
    tray.CopyFrom(source->tray_);
  }
  std::lock_guard guard(lock_);
  connection_.CopyFrom(connection);
  input_.CopyFrom(input);
  screen_.CopyFrom(screen);
  tray_.CopyFrom(tray);
}

void cVkServiceSettings::SetParts(const cVkServiceSettingsConnection& connection, const cVkServiceSettingsInput& input,
                                  const cVkServiceSettingsScreen& screen, const cVkServiceSettingsTray& tray) {
  std::lock_guard guard(lock_);
  connection_.CopyFrom(connection);
  input_.CopyFrom(input);
  screen_.CopyFrom(screen);
  tray_.CopyFrom(tray);
}

std::unique_ptr<cVkServiceSettingsConnection> cVkServiceSettings::GetConnection() const {
  std::lock_guard guard(lock_);
  return VkCloneAs(connection_);
}

std::unique_ptr<cVkServiceSettingsInput> cVkServiceSettings::GetInput() const {
  std::lock_guard guard(lock_);
  return VkCloneAs(input_);
}

std::unique_ptr<cVkServiceSettingsScreen> cVkServiceSettings::GetScreen() const {
  std::lock_guard guard(lock_);
  return VkCloneAs(screen_);
}

std::unique_ptr<cVkServiceSettingsTray> cVkServiceSettings::GetTray() const {
  std::lock_guard guard(lock_);
  return VkCloneAs(tray_);
}

void cVkServiceSettings::VisitFields(cVkFieldVisitor& visitor) const {
  std::lock_guard guard(lock_);
  visitor.Object("connection", &connection_);
  visitor.Object("input", &input_);
  visitor.Object("screen", &screen_);
  visitor.Object("tray", &tray_);
}
