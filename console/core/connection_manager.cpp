#include "console/core/connection_manager.h"

#include <memory>

#include "common/archive/archive_causes.h"
#include "common/archive/register_archive.h"

VK_IMPLEMENT_SERIAL(cVkConnectionManager, &cVkCollection::classInfo, 1)

namespace {

char16_t FoldCase(char16_t c) {
  if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - 32);
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<char16_t>(c - 32);
  return c;
}

}  // namespace

bool VkSameComputerName(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldCase(a[i]) != FoldCase(b[i])) return false;
  }
  return true;
}

cVkConnectionInfo* cVkConnectionManager::Find(std::u16string_view computerName) const {
  for (cVkObject* element : elements_) {
    auto* record = dynamic_cast<cVkConnectionInfo*>(element);
    if (record != nullptr && VkSameComputerName(record->computerName, computerName)) return record;
  }
  return nullptr;
}

bool cVkConnectionManager::Open(iVkViewerOpener& opener, std::u16string_view computerName, std::u16string_view userName,
                                std::u16string_view password, std::u16string_view domain) {
  cVkConnectionInfo* record = Find(computerName);
  std::unique_ptr<cVkConnectionInfo> fresh;
  if (record == nullptr) {
    fresh = std::make_unique<cVkConnectionInfo>();
    fresh->computerName = computerName;
    record = fresh.get();
  }
  if (!userName.empty() && !password.empty()) {
    record->userName = userName;
    record->password = password;
    record->domain = domain;
  }
  if (!opener.RunLogon(*record)) return false;
  opener.OpenViewer(*record);
  if (fresh) Add(fresh.release());
  return true;
}

void cVkConnectionManager::UpdatePlacement(std::u16string_view computerName, const VkWindowPlacement& placement,
                                           int32_t scaleMode) {
  for (cVkObject* element : elements_) {
    auto* record = dynamic_cast<cVkConnectionInfo*>(element);
    if (record == nullptr || !VkSameComputerName(record->computerName, computerName)) continue;
    record->placement = placement;
    record->scaleMode = scaleMode;
  }
}

int32_t cVkConnectionManager::Load(std::u16string_view path) {
  int32_t rc = LoadFromFile(path);
  if (rc != 0) {
    DeleteAll();
    return rc;
  }
  // Only connection records belong here: anything else means a damaged file.
  for (const cVkObject* element : elements_) {
    if (dynamic_cast<const cVkConnectionInfo*>(element) == nullptr) {
      DeleteAll();
      return VK_AR_BAD_CLASS;
    }
  }
  return 0;
}

int32_t cVkConnectionManager::Save(std::u16string_view path) { return SaveToFile(path); }

void VkRegisterConsoleClasses() {
  VkRegisterArchiveClasses();
  VkRegisterClasses<cVkConnectionInfo, cVkConnectionManager>();
}
