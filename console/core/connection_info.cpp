#include "console/core/connection_info.h"

#include "common/archive/archive.h"
#include "common/archive/field_visitor.h"

VK_IMPLEMENT_SERIAL(cVkConnectionInfo, &cVkObject::classInfo, 1)

namespace {

constexpr uint32_t kLayoutWithScaleMode = 2;
constexpr uint32_t kLayoutWithoutScaleMode = 1;

void WritePlacement(cVkArchive& ar, const VkWindowPlacement& p) {
  ar.WriteDword(p.flags);
  ar.WriteLong(p.maxX);
  ar.WriteLong(p.maxY);
  ar.WriteLong(p.minX);
  ar.WriteLong(p.minY);
  ar.WriteLong(p.bottom);
  ar.WriteLong(p.left);
  ar.WriteLong(p.right);
  ar.WriteLong(p.top);
  ar.WriteDword(p.showCmd);
}

void ReadPlacement(cVkArchive& ar, VkWindowPlacement& p) {
  ar.Read(p.flags);
  ar.Read(p.maxX);
  ar.Read(p.maxY);
  ar.Read(p.minX);
  ar.Read(p.minY);
  ar.Read(p.bottom);
  ar.Read(p.left);
  ar.Read(p.right);
  ar.Read(p.top);
  ar.Read(p.showCmd);
  p.length = VkWindowPlacement::kLength;
}

}  // namespace

void cVkConnectionInfo::Serialize(cVkArchive& ar) {
  if (ar.IsStoring()) {
    ar.WriteDword(kLayoutWithScaleMode);
    ar.WriteString(computerName);
    ar.WriteDword(address);
    ar.WriteDword(updatePort);
    ar.WriteDword(inputPort);
    ar.WriteString(userName);
    ar.WriteString(domain);
    WritePlacement(ar, placement);
    ar.WriteLong(scaleMode);
    return;
  }
  const uint32_t version = ar.ReadDword();
  if (version != kLayoutWithScaleMode && version != kLayoutWithoutScaleMode) return;
  ar.Read(computerName);
  ar.Read(address);
  ar.Read(updatePort);
  ar.Read(inputPort);
  ar.Read(userName);
  ar.Read(domain);
  ReadPlacement(ar, placement);
  if (version == kLayoutWithScaleMode) ar.Read(scaleMode);
}

void cVkConnectionInfo::CopyFrom(const cVkObject& other) {
  auto* source = dynamic_cast<const cVkConnectionInfo*>(&other);
  if (source == nullptr || source == this) return;
  computerName = source->computerName;
  address = source->address;
  scaleMode = source->scaleMode;
  updatePort = source->updatePort;
  inputPort = source->inputPort;
  userName = source->userName;
  domain = source->domain;
  password = source->password;
  placement = source->placement;
}

void cVkConnectionInfo::VisitFields(cVkFieldVisitor& v) const {
  v.Text("computerName", computerName);
  v.Number("address", address);
  v.Number("updatePort", updatePort);
  v.Number("inputPort", inputPort);
  v.Text("userName", userName);
  v.Text("domain", domain);
  v.Number("placement.length", placement.length);
  v.Number("placement.flags", placement.flags);
  v.Number("placement.showCmd", placement.showCmd);
  v.Number("placement.left", placement.left);
  v.Number("placement.top", placement.top);
  v.Number("placement.right", placement.right);
  v.Number("placement.bottom", placement.bottom);
  v.Number("scaleMode", scaleMode);
}
