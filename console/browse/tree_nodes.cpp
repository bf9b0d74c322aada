#include "console/browse/tree_nodes.h"

#include <algorithm>

#include "common/archive/archive.h"
#include "common/archive/field_visitor.h"
#include "common/archive/string_data.h"
#include "common/network/tree_item.h"
#include "console/browse/browse_sources.h"
#include "log/orklog.h"

namespace {

constexpr uint32_t kNodeSchema = VK_SCHEMA_VERSIONABLE | 1;
constexpr int32_t kNoDirectory = -4;

const std::atomic<bool> kNeverCancelled{false};

template <class Record>
std::vector<const Record*> RecordsOf(const cVkCollection& collection) {
  std::vector<const Record*> records;
  for (const cVkObject* element : collection.Elements()) {
    if (auto* record = dynamic_cast<const Record*>(element)) records.push_back(record);
  }
  return records;
}

bool IsBlank(std::u16string_view name) {
  return std::all_of(name.begin(), name.end(), [](char16_t c) { return c == u' ' || c == u'\t'; });
}

bool SameNameIgnoringCase(std::u16string_view a, std::u16string_view b) {
  auto lower = [](char16_t c) -> char16_t { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; };
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [&](char16_t x, char16_t y) { return lower(x) == lower(y); });
}

// Each browsed record becomes a child item with a node of its own.
template <class Record, class Node>
void InsertRecords(const cVkCollection& collection, iVkBrowseTree& tree, VkTreeItemRef item, uint32_t image) {
  for (const Record* record : RecordsOf<Record>(collection)) {
    auto node = std::make_unique<Node>(*record);
    tree.InsertItem(record->GetName(), image, image, 0, std::move(node), item, true);
  }
}

}  // namespace

VK_IMPLEMENT_SERIAL(cVkNetWorkTreeNode, &cVkObject::classInfo, kNodeSchema)
VK_IMPLEMENT_SERIAL(cVkNetWorkTreeNodeRoot, &cVkNetWorkTreeNode::classInfo, kNodeSchema)
VK_IMPLEMENT_SERIAL(cVkNetWorkTreeNodeNT4Domains, &cVkNetWorkTreeNode::classInfo, kNodeSchema)
VK_IMPLEMENT_SERIAL(cVkNetWorkTreeNodeNT4Computers, &cVkNetWorkTreeNode::classInfo, kNodeSchema)
VK_IMPLEMENT_SERIAL(cVkNetWorkTreeNodeW2KDomains, &cVkNetWorkTreeNode::classInfo, kNodeSchema)
VK_IMPLEMENT_SERIAL(cVkNetWorkTreeNodeW2KComputers, &cVkNetWorkTreeNode::classInfo, kNodeSchema)
VK_IMPLEMENT_SERIAL(cVkNetWorkTreeNodeRecent, &cVkNetWorkTreeNode::classInfo, kNodeSchema)
VK_IMPLEMENT_SERIAL(cVkNetWorkTreeNodeService, &cVkNetWorkTreeNode::classInfo, 1)

void VkRegisterBrowseClasses() {
  VkRegisterClasses<cVkNetWorkTreeNode, cVkNetWorkTreeNodeRoot, cVkNetWorkTreeNodeNT4Domains,
                    cVkNetWorkTreeNodeNT4Computers, cVkNetWorkTreeNodeW2KDomains, cVkNetWorkTreeNodeW2KComputers,
                    cVkNetWorkTreeNodeRecent, cVkNetWorkTreeNodeService, cVkTreeItem, cVkNT4Computer, cVkNT4Domain,
                    cVkW2KComputer, cVkW2KDomain, cVkCollection, cVkStringData>();
}

// ---- the plain node: folders and hand-made computers

bool cVkNetWorkTreeNode::SerializeBase(cVkArchive& ar) {
  if (ar.IsStoring()) {
    ar.WriteDword(1);
    ar.WriteDword(renamable ? 1 : 0);
    ar.WriteDword(deletable ? 1 : 0);
    ar.WriteDword(container ? 1 : 0);
    return true;
  }
  if (ar.ReadLayoutVersion(*this) != 1) return false;
  uint32_t flags[3] = {renamable, deletable, container};
  for (uint32_t& flag : flags) ar.Read(flag);
  renamable = flags[0] != 0;
  deletable = flags[1] != 0;
  container = flags[2] != 0;
  return !ar.Failed();
}

bool cVkNetWorkTreeNode::SerializeMarker(cVkArchive& ar) {
  if (ar.IsStoring()) {
    ar.WriteDword(1);
    return true;
  }
  return ar.ReadDword() == 1 && !ar.Failed();
}

void cVkNetWorkTreeNode::Serialize(cVkArchive& ar) { SerializeBase(ar); }

void cVkNetWorkTreeNode::CopyFrom(const cVkObject& other) {
  auto* source = dynamic_cast<const cVkNetWorkTreeNode*>(&other);
  if (source == nullptr) return;
  renamable = source->renamable;
  deletable = source->deletable;
  container = source->container;
}

void cVkNetWorkTreeNode::VisitFields(cVkFieldVisitor& visitor) const {
  visitor.Number("renamable", renamable ? 1 : 0);
  visitor.Number("deletable", deletable ? 1 : 0);
  visitor.Number("container", container ? 1 : 0);
}

int32_t cVkNetWorkTreeNode::Collect(cOrkLog&, cVkCollection&) { return 0; }
const std::atomic<bool>& cVkNetWorkTreeNode::CancelFlag() const {
  return cancel_ != nullptr ? *cancel_ : kNeverCancelled;
}
void cVkNetWorkTreeNode::Populate(cVkCollection&, iVkBrowseTree&, VkTreeItemRef) {}

// Copying keeps the tree flags and the class's own data.
#define VK_TREE_NODE_COPY(cls, ...)                  \
  void cls::CopyFrom(const cVkObject& other) {       \
    cVkNetWorkTreeNode::CopyFrom(other);             \
    auto* source = dynamic_cast<const cls*>(&other); \
    if (source == nullptr || source == this) return; \
    __VA_ARGS__                                      \
  }

// ---- "Network": the three branches

VK_TREE_NODE_COPY(cVkNetWorkTreeNodeRoot)
void cVkNetWorkTreeNodeRoot::Serialize(cVkArchive& ar) {
  if (SerializeBase(ar)) SerializeMarker(ar);
}
int32_t cVkNetWorkTreeNodeRoot::Collect(cOrkLog&, cVkCollection&) { return 0; }
void cVkNetWorkTreeNodeRoot::Populate(cVkCollection&, iVkBrowseTree& tree, VkTreeItemRef item) {
  // The binding made at start is asked; nothing is loaded by name here.
  if (tree.DirectoryAvailable()) {
    tree.InsertItem(u"Directory", kVkImageDirectory, kVkImageDirectory, 0,
                    std::make_unique<cVkNetWorkTreeNodeW2KDomains>(), item, false);
  }
  tree.InsertItem(u"Microsoft Windows Network", kVkImageWindowsNetwork, kVkImageWindowsNetwork, 0,
                  std::make_unique<cVkNetWorkTreeNodeNT4Domains>(), item, false);
  tree.InsertItem(u"Recent", kVkImageRecent, kVkImageRecent, 0, std::make_unique<cVkNetWorkTreeNodeRecent>(), item,
                  false);
}
std::u16string cVkNetWorkTreeNodeRoot::GetToolTip() const { return u"Browse the entire network"; }

// ---- the local network's browse lists

VK_TREE_NODE_COPY(cVkNetWorkTreeNodeNT4Domains)
void cVkNetWorkTreeNodeNT4Domains::Serialize(cVkArchive& ar) {
  if (SerializeBase(ar)) SerializeMarker(ar);
}
int32_t cVkNetWorkTreeNodeNT4Domains::Collect(cOrkLog& log, cVkCollection& collection) {
  return EnumerateNT4Domains(log, collection, CancelFlag());
}
void cVkNetWorkTreeNodeNT4Domains::Populate(cVkCollection& collection, iVkBrowseTree& tree, VkTreeItemRef item) {
  InsertRecords<cVkNT4Domain, cVkNetWorkTreeNodeNT4Computers>(collection, tree, item, kVkImageDomain);
}
std::u16string cVkNetWorkTreeNodeNT4Domains::GetToolTip() const { return u"Browse the Microsoft Windows Network"; }

VK_TREE_NODE_COPY(cVkNetWorkTreeNodeNT4Computers, domain = source->domain;)
void cVkNetWorkTreeNodeNT4Computers::Serialize(cVkArchive& ar) {
  if (SerializeBase(ar) && SerializeMarker(ar)) domain.Serialize(ar);
}
int32_t cVkNetWorkTreeNodeNT4Computers::Collect(cOrkLog& log, cVkCollection& collection) {
  return EnumerateNT4Computers(log, domain.name, collection, CancelFlag());
}
void cVkNetWorkTreeNodeNT4Computers::Populate(cVkCollection& collection, iVkBrowseTree& tree, VkTreeItemRef item) {
  InsertRecords<cVkNT4Computer, cVkNetWorkTreeNodeService>(collection, tree, item, kVkImageComputer);
}
std::u16string cVkNetWorkTreeNodeNT4Computers::GetToolTip() const { return domain.GetDescription(); }

// ---- the directory

VK_TREE_NODE_COPY(cVkNetWorkTreeNodeW2KDomains)
void cVkNetWorkTreeNodeW2KDomains::Serialize(cVkArchive& ar) {
  if (SerializeBase(ar)) SerializeMarker(ar);
}
int32_t cVkNetWorkTreeNodeW2KDomains::Collect(cOrkLog& log, cVkCollection& collection) {
  std::shared_ptr<cVkDirBridge> directory = VkBrowseSources().directory;
  return directory ? directory->CollectW2KDomains(log, collection) : kNoDirectory;
}
void cVkNetWorkTreeNodeW2KDomains::Populate(cVkCollection& collection, iVkBrowseTree& tree, VkTreeItemRef item) {
  InsertRecords<cVkW2KDomain, cVkNetWorkTreeNodeW2KComputers>(collection, tree, item, kVkImageDomain);
}
std::u16string cVkNetWorkTreeNodeW2KDomains::GetToolTip() const {
  return u"Browse the network using the Active Directory";
}

VK_TREE_NODE_COPY(cVkNetWorkTreeNodeW2KComputers, domain = source->domain;)
void cVkNetWorkTreeNodeW2KComputers::Serialize(cVkArchive& ar) {
  if (SerializeBase(ar) && SerializeMarker(ar)) domain.Serialize(ar);
}
int32_t cVkNetWorkTreeNodeW2KComputers::Collect(cOrkLog& log, cVkCollection& collection) {
  std::shared_ptr<cVkDirBridge> directory = VkBrowseSources().directory;
  return directory ? directory->CollectW2KComputers(log, domain.name, collection) : kNoDirectory;
}
void cVkNetWorkTreeNodeW2KComputers::Populate(cVkCollection& collection, iVkBrowseTree& tree, VkTreeItemRef item) {
  InsertRecords<cVkW2KComputer, cVkNetWorkTreeNodeService>(collection, tree, item, kVkImageComputer);
}
std::u16string cVkNetWorkTreeNodeW2KComputers::GetToolTip() const { return domain.GetDescription(); }

// ---- "Recent"

VK_TREE_NODE_COPY(cVkNetWorkTreeNodeRecent, names = source->names;)
void cVkNetWorkTreeNodeRecent::Serialize(cVkArchive& ar) {
  if (!SerializeBase(ar) || !SerializeMarker(ar)) return;
  if (ar.IsStoring()) {
    ar.WriteCount(names.size());
    for (const std::u16string& name : names) ar.WriteString(name);
    return;
  }
  // Each name takes at least its length's byte.
  const uint32_t count = ar.ReadCount(1);
  std::vector<std::u16string> read;
  read.reserve(count);
  for (uint32_t i = 0; i < count && !ar.Failed(); ++i) read.push_back(ar.ReadString());
  if (!ar.Failed()) names = std::move(read);
}
int32_t cVkNetWorkTreeNodeRecent::Collect(cOrkLog&, cVkCollection&) { return 0; }
void cVkNetWorkTreeNodeRecent::Populate(cVkCollection&, iVkBrowseTree&, VkTreeItemRef) { names.clear(); }
std::u16string cVkNetWorkTreeNodeRecent::GetToolTip() const { return u"Most recently used computers"; }

void cVkNetWorkTreeNodeRecent::AddRecent(std::u16string_view name, iVkBrowseTree& tree, VkTreeItemRef item) {
  if (IsBlank(name)) return;
  for (const std::u16string& known : names) {
    if (SameNameIgnoringCase(known, name)) return;
  }
  if (names.size() >= kMaxNames) names.erase(names.begin());
  names.emplace_back(name);
  cVkNT4Computer computer;
  computer.name = std::u16string(name);
  tree.InsertItem(name, kVkImageComputer, kVkImageComputer, 0, std::make_unique<cVkNetWorkTreeNodeService>(computer),
                  item, true);
}

// ---- a browsed or recent computer

VK_TREE_NODE_COPY(cVkNetWorkTreeNodeService, isNT4 = source->isNT4; nt4Computer = source->nt4Computer;
                  w2kComputer = source->w2kComputer;)
void cVkNetWorkTreeNodeService::Serialize(cVkArchive& ar) {
  if (!SerializeBase(ar) || !SerializeMarker(ar)) return;
  if (ar.IsStoring()) {
    ar.WriteDword(isNT4 ? 1 : 0);
  } else {
    uint32_t flag = isNT4;
    ar.Read(flag);
    isNT4 = flag != 0;
  }
  nt4Computer.Serialize(ar);
  w2kComputer.Serialize(ar);
}
int32_t cVkNetWorkTreeNodeService::Collect(cOrkLog&, cVkCollection&) { return 0; }
void cVkNetWorkTreeNodeService::Populate(cVkCollection&, iVkBrowseTree& tree, VkTreeItemRef) {
  tree.PostShowRemoteDesktop();
}
std::u16string cVkNetWorkTreeNodeService::GetToolTip() const {
  return isNT4 ? nt4Computer.GetDescription() : w2kComputer.GetDescription();
}
