#include "common/archive/class_info.h"

#include <map>
#include <mutex>
#include <string>

namespace {

struct Registry {
  std::mutex lock;
  std::map<std::string, const cVkClassInfo*, std::less<>> byName;
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

}  // namespace

bool cVkClassInfo::IsDerivedFrom(const cVkClassInfo* other) const {
  for (const cVkClassInfo* c = this; c != nullptr; c = c->base) {
    if (c == other) return true;
  }
  return false;
}

void VkRegisterClass(const cVkClassInfo* info) {
  Registry& r = TheRegistry();
  std::lock_guard guard(r.lock);
  r.byName[info->name] = info;
}

const cVkClassInfo* VkFindClass(std::string_view name) {
  Registry& r = TheRegistry();
  std::lock_guard guard(r.lock);
  auto it = r.byName.find(name);
  return it == r.byName.end() ? nullptr : it->second;
}
