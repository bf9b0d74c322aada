// The library's exports: the dialog run modally, its picks handed over in
// memory the caller returns through FreeData.
#include "netpicker/netpicker.h"

#include <QApplication>
#include <cstdlib>
#include <cstring>

#include "netpicker/browse_dialog.h"
#include "netpicker/enumerations.h"

namespace {

char16_t* CopyName(const std::u16string& name) {
  if (name.empty()) return nullptr;
  auto* copy = static_cast<char16_t*>(std::calloc(name.size() + 1, sizeof(char16_t)));
  if (copy != nullptr) std::memcpy(copy, name.data(), name.size() * sizeof(char16_t));
  return copy;
}

VkNetworkObject* CopyPicked(const std::vector<vk::picker::PickedObject>& picked) {
  auto* entries = static_cast<VkNetworkObject*>(std::calloc(picked.size(), sizeof(VkNetworkObject)));
  if (entries == nullptr) return nullptr;
  for (size_t i = 0; i < picked.size(); ++i) entries[i] = VkNetworkObject{picked[i].kind, CopyName(picked[i].name)};
  return entries;
}

}  // namespace

extern "C" int32_t VkSelectNetworkObjects(uint32_t icon, const char16_t* treeFile, uint32_t* count,
                                          VkNetworkObject** entries) {
  // Written on every path, so that a caller may always free what it gets.
  if (count != nullptr) *count = 0;
  if (entries != nullptr) *entries = nullptr;
  if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) return -2;
  vk::picker::PickerDirBridge();
  vk::picker::cVkBrowseNetworkDialog dialog(QApplication::activeWindow(), icon, treeFile != nullptr ? treeFile : u"");
  const int32_t result = dialog.exec() == QDialog::Accepted ? 1 : 2;
  const auto& picked = dialog.Picked();
  if (result != 1 || picked.empty() || count == nullptr || entries == nullptr) return result;
  if (VkNetworkObject* copied = CopyPicked(picked)) {
    *entries = copied;
    *count = static_cast<uint32_t>(picked.size());
  }
  return result;
}

extern "C" void FreeData(VkNetworkObject* entries, uint32_t count) {
  if (entries == nullptr) return;
  for (uint32_t i = 0; i < count; ++i) std::free(entries[i].name);
  std::free(entries);
}
