// The four parts of the agent's settings: connection, input, screen, tray.
// Each is archived inline inside cVkServiceSettings, and each is handed out
// as a private copy to the activity that uses it.
#pragma once

#include <cstdint>

#include "common/archive/object.h"

// Connection modes of the update and input channels.
inline constexpr uint16_t CONNECTION_DISABLED = 1;
inline constexpr uint16_t CONNECTION_NORMAL = 2;
inline constexpr uint16_t CONNECTION_SECURE = 3;

// Bits of cVkServiceSettingsInput's flags.
inline constexpr uint32_t INPUT_ALLOW_KEYBOARD = 1;
inline constexpr uint32_t INPUT_ALLOW_CTRL_ALT_DEL = 2;
inline constexpr uint32_t INPUT_DISABLE_LOCAL_KEYBOARD = 4;
inline constexpr uint32_t INPUT_ALLOW_MOUSE = 8;
inline constexpr uint32_t INPUT_DISABLE_LOCAL_MOUSE = 16;

// Notification modes of the tray.
inline constexpr uint32_t NOTIFY_SILENT = 1;
inline constexpr uint32_t NOTIFY_INFORMATION = 2;
inline constexpr uint32_t NOTIFY_WARNING = 3;
inline constexpr uint32_t NOTIFY_QUESTION = 4;

class cVkServiceSettingsConnection : public cVkObject {
  VK_DECLARE_SERIAL(cVkServiceSettingsConnection)

 public:
  void Serialize(cVkArchive& archive) override;
  cVkObject* Clone() const override { return VkCloneByCopy(*this); }
  void CopyFrom(const cVkObject& other) override;
  void VisitFields(cVkFieldVisitor& visitor) const override;

  uint16_t GetUpdateMode() const { return updateMode; }
  uint16_t GetUpdatePort() const { return updatePort; }
  uint16_t GetInputMode() const { return inputMode; }
  uint16_t GetInputPort() const { return inputPort; }

  uint16_t updateMode = CONNECTION_NORMAL;
  uint16_t updatePort = 48384;
  uint16_t inputMode = CONNECTION_NORMAL;
  uint16_t inputPort = 48386;
};

class cVkServiceSettingsInput : public cVkObject {
  VK_DECLARE_SERIAL(cVkServiceSettingsInput)

 public:
  void Serialize(cVkArchive& archive) override;
  cVkObject* Clone() const override { return VkCloneByCopy(*this); }
  void CopyFrom(const cVkObject& other) override;
  void VisitFields(cVkFieldVisitor& visitor) const override;

  bool GetAllowKeyboard() const { return (inputFlags & INPUT_ALLOW_KEYBOARD) != 0; }
  bool GetAllowCtrlAltDel() const { return (inputFlags & INPUT_ALLOW_CTRL_ALT_DEL) != 0; }
  bool GetDisableLocalKeyboard() const { return (inputFlags & INPUT_DISABLE_LOCAL_KEYBOARD) != 0; }
  bool GetAllowMouse() const { return (inputFlags & INPUT_ALLOW_MOUSE) != 0; }
  bool GetDisableLocalMouse() const { return (inputFlags & INPUT_DISABLE_LOCAL_MOUSE) != 0; }
  void SetFlag(uint32_t bit, bool on) { inputFlags = on ? (inputFlags | bit) : (inputFlags & ~bit); }

  uint32_t inputFlags = INPUT_ALLOW_KEYBOARD | INPUT_ALLOW_CTRL_ALT_DEL | INPUT_ALLOW_MOUSE;
};

class cVkServiceSettingsScreen : public cVkObject {
  VK_DECLARE_SERIAL(cVkServiceSettingsScreen)

 public:
  void Serialize(cVkArchive& archive) override;
  cVkObject* Clone() const override { return VkCloneByCopy(*this); }
  void CopyFrom(const cVkObject& other) override;
  void VisitFields(cVkFieldVisitor& visitor) const override;

  int32_t GetFullRefreshInterval() const { return fullRefreshInterval; }
  int32_t GetForegroundRefreshInterval() const { return foregroundRefreshInterval; }
  int32_t GetCaptureInterval() const { return captureInterval; }
  int32_t GetCompressionLevel() const { return compressionLevel; }

  int32_t fullRefreshInterval = -1;
  int32_t foregroundRefreshInterval = 1000;
  int32_t captureInterval = 100;
  int32_t compressionLevel = 6;
};

class cVkServiceSettingsTray : public cVkObject {
  VK_DECLARE_SERIAL(cVkServiceSettingsTray)

 public:
  void Serialize(cVkArchive& archive) override;
  cVkObject* Clone() const override { return VkCloneByCopy(*this); }
  void CopyFrom(const cVkObject& other) override;
  void VisitFields(cVkFieldVisitor& visitor) const override;

  uint32_t GetNotificationMode() const { return notificationMode; }

  uint32_t notificationMode = NOTIFY_SILENT;
};
