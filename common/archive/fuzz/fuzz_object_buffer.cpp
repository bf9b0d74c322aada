// libFuzzer target: any bytes as an object record, with every class the
// system's programs register. A record that reads is written again, cloned
// and listed, and must write back to bytes that read again.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "common/archive/field_visitor.h"
#include "common/archive/object_buffer.h"
#include "common/archive/register_archive.h"
#include "common/archive/string_data.h"
#include "common/locations/locations.h"
#include "common/network/directory_records.h"
#include "common/network/nt4_records.h"
#include "common/network/tree_item.h"
#include "common/network/w2k_records.h"
#include "common/screen/register_screen.h"
#include "common/security_lists/service_security.h"
#include "common/settings/register_settings.h"
#ifdef VK_FUZZ_WITH_MFCLOG
#include "common/mfclog/mfc_log.h"
#endif

namespace {

class Walker : public cVkFieldVisitor {
 public:
  void Number(std::string_view, int64_t) override {}
  void Text(std::string_view, std::u16string_view) override {}
  void Object(std::string_view, const cVkObject* value) override {
    if (value != nullptr) value->VisitFields(*this);
  }
  void BeginList(std::string_view) override {}
  void EndList() override {}
};

bool RegisterAll() {
  VkRegisterArchiveClasses();
  VkRegisterSettingsClasses();
  VkRegisterScreenClasses();
  VkRegisterClasses<cVkStringData, cVkServiceSecurity, cVkLocations, cVkNT4Computer, cVkNT4Domain, cVkW2KComputer,
                    cVkW2KDomain, cVkLDAPData, cVkUserInfo, cVkStringVariable, cVkStringVariableArray, cVkTreeItem>();
#ifdef VK_FUZZ_WITH_MFCLOG
  VkRegisterMfcLogClasses();
#endif
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool registered = RegisterAll();
  (void)registered;
  std::unique_ptr<cVkObject> object;
  if (ObjectFromBuffer(data, size, object) != 0 || !object) return 0;
  Walker walker;
  walker.Object({}, object.get());
  std::vector<uint8_t> again;
  if (ObjectToBuffer(object.get(), again) != 0) std::abort();
  std::unique_ptr<cVkObject> reread;
  if (ObjectFromBuffer(again.data(), again.size(), reread) != 0) std::abort();
  std::unique_ptr<cVkObject> clone(object->Clone());
  return 0;
}
