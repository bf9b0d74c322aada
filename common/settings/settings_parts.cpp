#include "common/settings/settings_parts.h"

#include "common/archive/archive.h"
#include "common/archive/field_visitor.h"

VK_IMPLEMENT_SERIAL(cVkServiceSettingsConnection, &cVkObject::classInfo, 1)
VK_IMPLEMENT_SERIAL(cVkServiceSettingsInput, &cVkObject::classInfo, 1)
VK_IMPLEMENT_SERIAL(cVkServiceSettingsScreen, &cVkObject::classInfo, 1)
VK_IMPLEMENT_SERIAL(cVkServiceSettingsTray, &cVkObject::classInfo, 1)

void cVkServiceSettingsConnection::CopyFrom(const cVkObject& other) {
  auto* source = dynamic_cast<const cVkServiceSettingsConnection*>(&other);
  if (source == nullptr) return;
  updateMode = source->updateMode;
  updatePort = source->updatePort;
  inputMode = source->inputMode;
  inputPort = source->inputPort;
}

void cVkServiceSettingsConnection::Serialize(cVkArchive& ar) {
  if (ar.IsStoring()) {
    ar.WriteDword(1);
    ar.WriteWord(updateMode);
    ar.WriteWord(updatePort);
    ar.WriteWord(inputMode);
    ar.WriteWord(inputPort);
    return;
  }
  if (ar.ReadLayoutVersion(*this) != 1) return;
  ar.Read(updateMode);
  ar.Read(updatePort);
  ar.Read(inputMode);
  ar.Read(inputPort);
}

void cVkServiceSettingsInput::CopyFrom(const cVkObject& other) {
  if (auto* source = dynamic_cast<const cVkServiceSettingsInput*>(&other)) inputFlags = source->inputFlags;
}

void cVkServiceSettingsInput::Serialize(cVkArchive& ar) {
  if (ar.IsStoring()) {
    ar.WriteDword(1);
    ar.WriteDword(inputFlags);
    return;
  }
  if (ar.ReadLayoutVersion(*this) != 1) return;
  ar.Read(inputFlags);
}

void cVkServiceSettingsScreen::CopyFrom(const cVkObject& other) {
  auto* source = dynamic_cast<const cVkServiceSettingsScreen*>(&other);
  if (source == nullptr) return;
  fullRefreshInterval = source->fullRefreshInterval;
  foregroundRefreshInterval = source->foregroundRefreshInterval;
  captureInterval = source->captureInterval;
  compressionLevel = source->compressionLevel;
}

// Version 2 added the compression level; version 1 bodies keep the current one.
void cVkServiceSettingsScreen::Serialize(cVkArchive& ar) {
  if (ar.IsStoring()) {
    ar.WriteDword(2);
    ar.WriteLong(fullRefreshInterval);
    ar.WriteLong(foregroundRefreshInterval);
    ar.WriteLong(captureInterval);
    ar.WriteLong(compressionLevel);
    return;
  }
  uint32_t version = ar.ReadLayoutVersion(*this);
  if (version != 1 && version != 2) return;
  ar.Read(fullRefreshInterval);
  ar.Read(foregroundRefreshInterval);
  ar.Read(captureInterval);
  if (version == 2) ar.Read(compressionLevel);
}

void cVkServiceSettingsTray::CopyFrom(const cVkObject& other) {
  if (auto* source = dynamic_cast<const cVkServiceSettingsTray*>(&other)) {
    notificationMode = source->notificationMode;
  }
}

void cVkServiceSettingsTray::Serialize(cVkArchive& ar) {
  if (ar.IsStoring()) {
    ar.WriteDword(1);
    ar.WriteDword(notificationMode);
    return;
  }
  if (ar.ReadLayoutVersion(*this) != 1) return;
  ar.Read(notificationMode);
}

void cVkServiceSettingsConnection::VisitFields(cVkFieldVisitor& visitor) const {
  visitor.Number("updateMode", updateMode);
  visitor.Number("updatePort", updatePort);
  visitor.Number("inputMode", inputMode);
  visitor.Number("inputPort", inputPort);
}

void cVkServiceSettingsInput::VisitFields(cVkFieldVisitor& visitor) const { visitor.Number("inputFlags", inputFlags); }

void cVkServiceSettingsScreen::VisitFields(cVkFieldVisitor& visitor) const {
  visitor.Number("fullRefreshInterval", fullRefreshInterval);
  visitor.Number("foregroundRefreshInterval", foregroundRefreshInterval);
  visitor.Number("captureInterval", captureInterval);
  visitor.Number("compressionLevel", compressionLevel);
}

void cVkServiceSettingsTray::VisitFields(cVkFieldVisitor& visitor) const {
  visitor.Number("notificationMode", notificationMode);
}
