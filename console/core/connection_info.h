// cVkConnectionInfo: what the console keeps about one computer it has
// viewed: its name and address, the ports, the logon data (the password only
// for the running session, never in the file), the scale mode and where the
// viewer window last stood.
#pragma once

#include <cstdint>
#include <string>

#include "common/archive/object.h"
#include "common/protocol/secure_wipe.h"

// The viewer frame's placement in the platform's form. length 0: never placed.
struct VkWindowPlacement {
  static constexpr uint32_t kLength = 44;
  uint32_t length = 0;
  uint32_t flags = 0;
  uint32_t showCmd = 0;
  int32_t minX = 0, minY = 0;
  int32_t maxX = 0, maxY = 0;
  int32_t left = 0, top = 0, right = 0, bottom = 0;
  bool operator==(const VkWindowPlacement&) const = default;
};

inline constexpr uint16_t kVkDefaultUpdatePort = 48384;  // 0xBD00
inline constexpr uint16_t kVkDefaultInputPort = 48386;   // 0xBD02
inline constexpr uint32_t kVkAddressUnresolved = 0xFFFFFFFFu;

class cVkConnectionInfo : public cVkObject {
  VK_DECLARE_SERIAL(cVkConnectionInfo)

 public:
  cVkConnectionInfo() = default;
  cVkConnectionInfo(const cVkConnectionInfo&) = default;
  cVkConnectionInfo& operator=(const cVkConnectionInfo&) = default;
  ~cVkConnectionInfo() override { vk::WipeText(password); }

  void Serialize(cVkArchive& archive) override;
  cVkObject* Clone() const override { return VkCloneByCopy(*this); }
  void CopyFrom(const cVkObject& other) override;
  void VisitFields(cVkFieldVisitor& visitor) const override;

  std::u16string computerName;
  uint32_t address = kVkAddressUnresolved;  // IPv4, network byte order
  int32_t scaleMode = 0;                    // 0: 1:1 with scroll bars, else the stretch mode
  uint32_t updatePort = kVkDefaultUpdatePort;
  uint32_t inputPort = kVkDefaultInputPort;
  std::u16string userName;
  std::u16string domain;
  std::u16string password;  // never archived
  VkWindowPlacement placement;
};
