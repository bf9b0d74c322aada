#include "netpicker/nodes.h"

#include <QTreeWidgetItem>

#include "common/archive/register_archive.h"
#include "common/archive/string_data.h"
#include "common/network/tree_item.h"
#include "common/accounts/account_utils.h"
#include "common/network/directory_records.h"
#include "common/network/nt4_records.h"
#include "common/network/w2k_records.h"
#include "dirbridge/binding/dirbridge_binding.h"
#include "netpicker/enumerations.h"
#include "netpicker/picker_tree.h"

namespace vk::picker {

constexpr uint32_t kSchema = 1 | VK_SCHEMA_VERSIONABLE;

VK_IMPLEMENT_SERIAL(cVkNetWorkTreeNode, &cVkObject::classInfo, kSchema);
VK_IMPLEMENT_SERIAL(cVkNetWorkTreeNodeRoot, &cVkNetWorkTreeNode::classInfo, kSchema);
VK_IMPLEMENT_SERIAL(cVkNetWorkTreeNodeNT4Domains, &cVkNetWorkTreeNode::classInfo, kSchema);
VK_IMPLEMENT_SERIAL(cVkNetWorkTreeNodeW2KDomains, &cVkNetWorkTreeNode::classInfo, kSchema);
VK_IMPLEMENT_SERIAL(cVkNetWorkTreeNodeNT4Master, &cVkNetWorkTreeNode::classInfo, kSchema);
VK_IMPLEMENT_SERIAL(cVkNetWorkTreeNodeNT4Computers, &cVkNetWorkTreeNode::classInfo, kSchema);
VK_IMPLEMENT_SERIAL(cVkNetWorkTreeNodeNT4AllUsers, &cVkNetWorkTreeNode::classInfo, kSchema);
VK_IMPLEMENT_SERIAL(cVkNetWorkTreeNodeNT4AllGroups, &cVkNetWorkTreeNode::classInfo, kSchema);
VK_IMPLEMENT_SERIAL(cVkNetWorkTreeNodeNT4Users, &cVkNetWorkTreeNode::classInfo, kSchema);
VK_IMPLEMENT_SERIAL(cVkNetWorkTreeNodeNT4LocalGroups, &cVkNetWorkTreeNode::classInfo, kSchema);
VK_IMPLEMENT_SERIAL(cVkNetWorkTreeNodeNT4LocalUsers, &cVkNetWorkTreeNode::classInfo, kSchema);
VK_IMPLEMENT_SERIAL(cVkNetWorkTreeNodeDomainUser, &cVkNetWorkTreeNode::classInfo, kSchema);
VK_IMPLEMENT_SERIAL(cVkNetWorkTreeNodeLocalUser, &cVkNetWorkTreeNode::classInfo, kSchema);
VK_IMPLEMENT_SERIAL(cVkNetWorkTreeNodeW2KDC, &cVkNetWorkTreeNode::classInfo, kSchema);

namespace {

const cVkClassInfo* const kPickerClasses[] = {
    &cVkNetWorkTreeNode::classInfo,
    &cVkNetWorkTreeNodeRoot::classInfo,
    &cVkNetWorkTreeNodeNT4Domains::classInfo,
    &cVkNetWorkTreeNodeW2KDomains::classInfo,
    &cVkNetWorkTreeNodeNT4Master::classInfo,
    &cVkNetWorkTreeNodeNT4Computers::classInfo,
    &cVkNetWorkTreeNodeNT4AllUsers::classInfo,
    &cVkNetWorkTreeNodeNT4AllGroups::classInfo,
    &cVkNetWorkTreeNodeNT4Users::classInfo,
    &cVkNetWorkTreeNodeNT4LocalGroups::classInfo,
    &cVkNetWorkTreeNodeNT4LocalUsers::classInfo,
    &cVkNetWorkTreeNodeDomainUser::classInfo,
    &cVkNetWorkTreeNodeLocalUser::classInfo,
    &cVkNetWorkTreeNodeW2KDC::classInfo,
};

template <class Record>
std::vector<Record*> Records(cVkCollection& collection) {
  std::vector<Record*> records;
  for (cVkObject* element : collection.Elements())
    if (auto* record = dynamic_cast<Record*>(element)) records.push_back(record);
  return records;
}

std::vector<std::u16string> Names(cVkCollection& collection) {
  std::vector<std::u16string> names;
  for (cVkStringData* name : Records<cVkStringData>(collection)) names.push_back(name->GetText());
  return names;
}

// One child item per name, each with its own node.
template <class MakeNode>
void InsertNames(cVkCollection& collection, cVkMultipleSelectSaveTree& tree, QTreeWidgetItem* item, uint32_t image,
                 MakeNode makeNode) {
  for (std::u16string& name : Names(collection)) {
    auto node = makeNode(name);
    tree.InsertItem(name, image, image, 0, std::move(node), item, true);
  }
}

// Objects without an account name (organisational units, containers) are
// shown by the value of their own name part ("ou=Staff,..." -> "Staff").
std::u16string DirectoryLabel(const cVkLDAPData& object) {
  if (!object.accountName.empty()) return object.accountName;
  const std::u16string& dn = object.distinguishedName;
  size_t equals = dn.find(u'=');
  if (equals == std::u16string::npos) return dn;
  size_t end = equals + 1;
  while (end < dn.size() && dn[end] != u',') end += dn[end] == u'\\' ? 2 : 1;
  return dn.substr(equals + 1, std::min(end, dn.size()) - equals - 1);
}

}  // namespace

void cVkNetWorkTreeNode::Serialize(cVkArchive& archive) {
  if (archive.IsStoring()) {
    archive.WriteDword(1);
  } else {
    archive.ReadDword();
  }
}

const std::atomic<bool>& cVkNetWorkTreeNode::CancelFlag() const {
  static const std::atomic<bool> never{false};
  return cancel_ != nullptr ? *cancel_ : never;
}

int32_t cVkNetWorkTreeNode::Collect(cOrkLog&, cVkCollection&) { return 0; }
void cVkNetWorkTreeNode::Populate(cVkCollection&, cVkMultipleSelectSaveTree&, QTreeWidgetItem*) {}
std::u16string cVkNetWorkTreeNode::GetResultName(cVkMultipleSelectSaveTree& tree, QTreeWidgetItem* item) {
  return tree.Label(item);
}

void cVkNetWorkTreeMarkerNode::Serialize(cVkArchive& archive) {
  cVkNetWorkTreeNode::Serialize(archive);
  if (archive.IsStoring()) {
    archive.WriteDword(1);
  } else {
    archive.ReadDword();
  }
}

void cVkNetWorkTreeNodeRoot::Populate(cVkCollection&, cVkMultipleSelectSaveTree& tree, QTreeWidgetItem* item) {
  // The directory branch only while DirBridge is there.
  if (PickerDirBridge().IsLoaded())
    tree.InsertItem(u"Directory", kImageDirectory, kImageDirectory, 0, std::make_unique<cVkNetWorkTreeNodeW2KDomains>(),
                    item, false);
  tree.InsertItem(u"Microsoft Windows Network", kImageWindowsNetwork, kImageWindowsNetwork, 0,
                  std::make_unique<cVkNetWorkTreeNodeNT4Domains>(), item, false);
}

int32_t cVkNetWorkTreeNodeNT4Domains::Collect(cOrkLog& log, cVkCollection& collection) {
  return EnumerateNT4Domains(log, collection, CancelFlag());
}

void cVkNetWorkTreeNodeNT4Domains::Populate(cVkCollection& collection, cVkMultipleSelectSaveTree& tree,
                                            QTreeWidgetItem* item) {
  for (cVkNT4Domain* domain : Records<cVkNT4Domain>(collection))
    tree.InsertItem(domain->name, kImageDomain, kImageDomain, 0,
                    std::make_unique<cVkNetWorkTreeNodeNT4Master>(domain->name), item, true);
}

int32_t cVkNetWorkTreeNodeW2KDomains::Collect(cOrkLog& log, cVkCollection& collection) {
  return PickerDirBridge().CollectW2KDomains(log, collection);
}

void cVkNetWorkTreeNodeW2KDomains::Populate(cVkCollection& collection, cVkMultipleSelectSaveTree& tree,
                                            QTreeWidgetItem* item) {
  for (cVkW2KDomain* domain : Records<cVkW2KDomain>(collection))
    tree.InsertItem(domain->name, kImageDomain, kImageDomain, 0,
                    std::make_unique<cVkNetWorkTreeNodeW2KDC>(domain->name, u"", u"", 1), item, true);
}

void cVkNetWorkTreeNodeNT4Master::Populate(cVkCollection&, cVkMultipleSelectSaveTree& tree, QTreeWidgetItem* item) {
  tree.InsertItem(u"Computers", kImageFolder, kImageOpenFolder, 0,
                  std::make_unique<cVkNetWorkTreeNodeNT4Computers>(domain), item, false);
  tree.InsertItem(u"All Users", kImageFolder, kImageOpenFolder, 0,
                  std::make_unique<cVkNetWorkTreeNodeNT4AllUsers>(domain), item, false);
  tree.InsertItem(u"All Groups", kImageFolder, kImageOpenFolder, 0,
                  std::make_unique<cVkNetWorkTreeNodeNT4AllGroups>(domain), item, false);
}

int32_t cVkNetWorkTreeNodeNT4Computers::Collect(cOrkLog& log, cVkCollection& collection) {
  return EnumerateNT4Computers(log, domain, collection, CancelFlag());
}

void cVkNetWorkTreeNodeNT4Computers::Populate(cVkCollection& collection, cVkMultipleSelectSaveTree& tree,
                                              QTreeWidgetItem* item) {
  for (cVkNT4Computer* computer : Records<cVkNT4Computer>(collection))
    tree.InsertItem(computer->name, kImageComputer, kImageComputer, 0,
                    std::make_unique<cVkNetWorkTreeNodeNT4LocalGroups>(computer->name), item, true);
}

int32_t cVkNetWorkTreeNodeNT4AllUsers::Collect(cOrkLog& log, cVkCollection& collection) {
  return EnumerateDomainUsers(log, domain, collection);
}

void cVkNetWorkTreeNodeNT4AllUsers::Populate(cVkCollection& collection, cVkMultipleSelectSaveTree& tree,
                                             QTreeWidgetItem* item) {
  InsertNames(collection, tree, item, kImageUser,
              [this](const std::u16string&) { return std::make_unique<cVkNetWorkTreeNodeDomainUser>(domain); });
}

int32_t cVkNetWorkTreeNodeNT4AllGroups::Collect(cOrkLog& log, cVkCollection& collection) {
  return EnumerateDomainGroups(log, domain, collection);
}

void cVkNetWorkTreeNodeNT4AllGroups::Populate(cVkCollection& collection, cVkMultipleSelectSaveTree& tree,
                                              QTreeWidgetItem* item) {
  InsertNames(collection, tree, item, kImageGroup, [this](const std::u16string& group) {
    return std::make_unique<cVkNetWorkTreeNodeNT4Users>(domain, group);
  });
}

int32_t cVkNetWorkTreeNodeNT4Users::Collect(cOrkLog& log, cVkCollection& collection) {
  return EnumerateGroupUsers(log, domain, group, collection);
}

void cVkNetWorkTreeNodeNT4Users::Populate(cVkCollection& collection, cVkMultipleSelectSaveTree& tree,
                                          QTreeWidgetItem* item) {
  for (std::u16string& name : Names(collection)) {
    std::erase(name, u'$');
    tree.InsertItem(name, kImageUser, kImageUser, 0, std::make_unique<cVkNetWorkTreeNodeDomainUser>(domain), item,
                    true);
  }
}

std::u16string cVkNetWorkTreeNodeNT4Users::GetResultName(cVkMultipleSelectSaveTree&, QTreeWidgetItem*) {
  return domain + u"\\" + group;
}

int32_t cVkNetWorkTreeNodeNT4LocalGroups::Collect(cOrkLog& log, cVkCollection& collection) {
  return EnumerateLocalGroups(log, computer, collection);
}

void cVkNetWorkTreeNodeNT4LocalGroups::Populate(cVkCollection& collection, cVkMultipleSelectSaveTree& tree,
                                                QTreeWidgetItem* item) {
  InsertNames(collection, tree, item, kImageLocalGroup, [this](const std::u16string& group) {
    return std::make_unique<cVkNetWorkTreeNodeNT4LocalUsers>(computer, group);
  });
}

int32_t cVkNetWorkTreeNodeNT4LocalUsers::Collect(cOrkLog& log, cVkCollection& collection) {
  return EnumerateLocalGroupMembers(log, computer, group, collection);
}

void cVkNetWorkTreeNodeNT4LocalUsers::Populate(cVkCollection& collection, cVkMultipleSelectSaveTree& tree,
                                               QTreeWidgetItem* item) {
  for (const std::u16string& member : Names(collection)) {
    std::u16string domainPart, user;
    SplitAccountName(member, &domainPart, &user);
    std::unique_ptr<cVkNetWorkTreeNode> node;
    if (!domainPart.empty()) {
      node = std::make_unique<cVkNetWorkTreeNodeDomainUser>(domainPart);
    } else {
      node = std::make_unique<cVkNetWorkTreeNodeLocalUser>(computer);
    }
    tree.InsertItem(user, kImageUser, kImageUser, 0, std::move(node), item, true);
  }
}

std::u16string cVkNetWorkTreeNodeNT4LocalUsers::GetResultName(cVkMultipleSelectSaveTree&, QTreeWidgetItem*) {
  return MakeServerName(computer) + u"\\" + group;
}

std::u16string cVkNetWorkTreeNodeDomainUser::GetResultName(cVkMultipleSelectSaveTree& tree, QTreeWidgetItem* item) {
  return domain + u"\\" + tree.Label(item);
}

std::u16string cVkNetWorkTreeNodeLocalUser::GetResultName(cVkMultipleSelectSaveTree& tree, QTreeWidgetItem* item) {
  return MakeServerName(computer) + u"\\" + tree.Label(item);
}

int32_t cVkNetWorkTreeNodeW2KDC::Collect(cOrkLog& log, cVkCollection& collection) {
  return PickerDirBridge().SearchDirectory(log, host, base, collection, kLdapPort);
}

void cVkNetWorkTreeNodeW2KDC::Populate(cVkCollection& collection, cVkMultipleSelectSaveTree& tree,
                                       QTreeWidgetItem* item) {
  for (cVkLDAPData* object : Records<cVkLDAPData>(collection)) {
    if (object->accountName.ends_with(u'$')) continue;
    switch (object->kind) {
      case VK_LDAP_COMPUTER:
      case VK_LDAP_USER:
      case VK_LDAP_GROUP:
      case VK_LDAP_ORGANIZATIONAL_UNIT:
      case VK_LDAP_CONTAINER:
      case VK_LDAP_BUILTIN_CONTAINER:
        tree.InsertItem(DirectoryLabel(*object), object->kind, object->kind, 0,
                        std::make_unique<cVkNetWorkTreeNodeW2KDC>(host, object->distinguishedName,
                                                                  object->netbiosDomain, object->kind),
                        item, true);
        break;
      default:
        break;
    }
  }
}

std::u16string cVkNetWorkTreeNodeW2KDC::GetResultName(cVkMultipleSelectSaveTree& tree, QTreeWidgetItem* item) {
  if (kind == VK_LDAP_COMPUTER) return tree.Label(item);
  return netbios + u"\\" + tree.Label(item);
}

PickerClassRegistration::PickerClassRegistration() {
  // The shared classes of a tree file stay registered.
  VkRegisterArchiveClasses();
  VkRegisterClasses<cVkTreeItem>();
  for (const cVkClassInfo* info : kPickerClasses) {
    previous_.push_back(VkFindClass(info->name));
    VkRegisterClass(info);
  }
}

PickerClassRegistration::~PickerClassRegistration() {
  for (const cVkClassInfo* info : previous_)
    if (info != nullptr) VkRegisterClass(info);
}

}  // namespace vk::picker
