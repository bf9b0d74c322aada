#include "platform/registry/registry.h"

#include <cstring>

#include "platform/accounts/computer_name.h"
#include "platform/core/error_codes.h"
#include "platform/core/text.h"

namespace vk {
namespace {

thread_local std::u16string lastProblem;

std::u16string JoinPath(std::u16string_view parent, std::u16string_view sub) {
  return NormalizeKeyPath(std::u16string(parent) + u"\\" + std::u16string(sub));
}

int32_t Remember(int32_t code, const std::string& problem) {
  if (code != 0 && !problem.empty()) lastProblem = FromUtf8(problem);
  return code;
}

// The root's file; a root without one (the current user's without a home) fails.
int32_t RootFile(RegRoot root, std::string* file) {
  *file = RegRootFile(root);
  if (!file->empty()) return 0;
  lastProblem =
      std::u16string(RegRootName(root)) + u" has no file: neither XDG_CONFIG_HOME nor HOME names an absolute folder";
  return ERROR_PATH_NOT_FOUND;
}

int32_t Load(RegRoot root, RegDocument* doc) {
  std::string file, problem;
  if (int32_t code = RootFile(root, &file)) return code;
  return Remember(LoadRegFile(file, RegRootName(root), doc, &problem), problem);
}

int32_t Update(RegRoot root, const std::function<int32_t(RegDocument&)>& change) {
  std::string file, problem;
  if (int32_t code = RootFile(root, &file)) return code;
  return Remember(UpdateRegFile(file, RegRootName(root), change, &problem), problem);
}

}  // namespace

int32_t RegistryConnect(std::u16string_view computer, RegRoot root, RegKey* out) {
  if (RegRootName(root).empty()) return ERROR_INVALID_HANDLE;
  if (!IsLocalComputer(computer)) return ERROR_BAD_NETPATH;
  *out = RegKey();
  out->open_ = true;
  out->root_ = root;
  return 0;
}

int32_t RegistryOpenKey(const RegKey& parent, std::u16string_view subKey, RegKey* out) {
  if (!parent.IsOpen()) return ERROR_INVALID_HANDLE;
  std::u16string path = JoinPath(parent.Path(), subKey);
  RegDocument doc;
  if (int32_t code = Load(parent.Root(), &doc)) return code;
  if (!static_cast<const RegDocument&>(doc).FindKey(path)) return ERROR_FILE_NOT_FOUND;
  *out = parent;
  out->path_ = path;
  return 0;
}

int32_t RegistryCreateKey(const RegKey& parent, std::u16string_view subKey, RegKey* out) {
  if (!parent.IsOpen()) return ERROR_INVALID_HANDLE;
  std::u16string path = JoinPath(parent.Path(), subKey);
  int32_t code = Update(parent.Root(), [&](RegDocument& doc) {
    doc.CreateKey(path);
    return 0;
  });
  if (code) return code;
  *out = parent;
  out->path_ = path;
  return 0;
}

int32_t RegistryQueryValue(const RegKey& key, std::u16string_view name, uint32_t* type, uint8_t* data, uint32_t* size) {
  if (!key.IsOpen()) return ERROR_INVALID_HANDLE;
  if (data && !size) return ERROR_INVALID_PARAMETER;
  RegDocument doc;
  if (int32_t code = Load(key.Root(), &doc)) return code;
  const RegKeyNode* node = static_cast<const RegDocument&>(doc).FindKey(key.Path());
  const RegValue* value = node ? node->FindValue(name) : nullptr;
  if (!value) return ERROR_FILE_NOT_FOUND;
  if (type) *type = value->type;
  uint32_t needed = static_cast<uint32_t>(value->data.size());
  if (!size) return 0;
  if (data && *size < needed) {
    *size = needed;
    return ERROR_MORE_DATA;
  }
  if (data && needed) memcpy(data, value->data.data(), needed);
  *size = needed;
  return 0;
}

int32_t RegistrySetValue(const RegKey& key, std::u16string_view name, uint32_t type, std::span<const uint8_t> data) {
  if (!key.IsOpen()) return ERROR_INVALID_HANDLE;
  return Update(key.Root(), [&](RegDocument& doc) {
    RegKeyNode* node = doc.FindKey(key.Path());
    if (!node) return ERROR_FILE_NOT_FOUND;  // deleted since it was opened
    node->SetValue(name, type, std::vector<uint8_t>(data.begin(), data.end()));
    return 0;
  });
}

int32_t RegistryDeleteValue(const RegKey& key, std::u16string_view name) {
  if (!key.IsOpen()) return ERROR_INVALID_HANDLE;
  return Update(key.Root(), [&](RegDocument& doc) {
    RegKeyNode* node = doc.FindKey(key.Path());
    if (!node || !node->FindValue(name)) return ERROR_FILE_NOT_FOUND;
    std::erase_if(node->values, [&](const RegValue& v) { return FoldName(v.name) == FoldName(name); });
    return 0;
  });
}

int32_t RegistryCloseKey(RegKey* key) {
  if (!key->IsOpen()) return ERROR_INVALID_HANDLE;
  *key = RegKey();
  return 0;
}

std::u16string RegistryLastProblem() { return lastProblem; }

}  // namespace vk
