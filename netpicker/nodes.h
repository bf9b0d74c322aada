// The picker's tree nodes: each item of the "Browse network" tree owns one.
// A node collects its item's children (in a worker thread, on a clone),
// inserts them (in the window's thread) and names what the item stands for
// when it is picked. The archive names are those of the console's browse
// tree; the classes are the picker's own and registered only while the
// picker reads its tree file (PickerClassRegistration).
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "common/archive/collection.h"
#include "common/network/record_fields.h"
#include "log/orklog.h"

class QTreeWidgetItem;

namespace vk::picker {

class cVkMultipleSelectSaveTree;

// Image indices of the picker's image list.
enum PickerImage : uint32_t {
  kImageNetwork = 0,
  kImageDomain = 1,
  kImageComputer = 2,
  kImageFolder = 3,
  kImageOpenFolder = 4,
  kImageUser = 5,
  kImageDirectory = 6,
  kImageWindowsNetwork = 7,
  kImageGroup = 8,
  kImageOrganizationalUnit = 9,
  kImageContainer = 10,
  kImageBuiltinContainer = 11,
  kImageLocalGroup = 12,
};

class cVkNetWorkTreeNode : public cVkObject {
  VK_DECLARE_SERIAL(cVkNetWorkTreeNode)

 public:
  void Serialize(cVkArchive& archive) override;
  cVkObject* Clone() const override { return new cVkNetWorkTreeNode; }
  // Gathers the item's children; 0 or the error (logged).
  virtual int32_t Collect(cOrkLog& log, cVkCollection& collection);
  // Inserts the collected children under `item`.
  virtual void Populate(cVkCollection& collection, cVkMultipleSelectSaveTree& tree, QTreeWidgetItem* item);
  // What the item names when picked; empty: nothing.
  virtual std::u16string GetResultName(cVkMultipleSelectSaveTree& tree, QTreeWidgetItem* item);

  cVkNetWorkTreeNode* CloneNode() const { return static_cast<cVkNetWorkTreeNode*>(Clone()); }

  // A collection can be abandoned: long enumerations look at this flag (set
  // on the worker's clone only; never saved).
  void SetCancelFlag(const std::atomic<bool>* cancel) { cancel_ = cancel; }
  const std::atomic<bool>& CancelFlag() const;

 private:
  const std::atomic<bool>* cancel_ = nullptr;
};

// Nodes without fields of their own whose body carries one more DWORD 1;
// they name nothing when picked.
class cVkNetWorkTreeMarkerNode : public cVkNetWorkTreeNode {
 public:
  void Serialize(cVkArchive& archive) override;
  std::u16string GetResultName(cVkMultipleSelectSaveTree&, QTreeWidgetItem*) override { return {}; }
};

template <class Derived>
class cVkPickerMarkerNode : public cVkNetWorkTreeMarkerNode {
 public:
  cVkObject* Clone() const override { return new Derived; }
};

// Nodes with fields (`Derived::Fields` in their order): after the base
// body, layout version 1 and the fields; copied as a whole.
template <class Derived>
class cVkPickerFieldNode : public cVkNetWorkTreeNode {
 public:
  void Serialize(cVkArchive& archive) override {
    cVkNetWorkTreeNode::Serialize(archive);
    VkSerializeRecord(Self(), archive);
  }
  cVkObject* Clone() const override { return new Derived(static_cast<const Derived&>(*this)); }
  void CopyFrom(const cVkObject& other) override {
    if (auto* source = dynamic_cast<const Derived*>(&other)) Self() = *source;
  }

 private:
  Derived& Self() { return static_cast<Derived&>(*this); }
};

// Nodes of one domain, of one computer, and of a group in either.
template <class Derived>
class cVkDomainNode : public cVkPickerFieldNode<Derived> {
 public:
  cVkDomainNode() = default;
  explicit cVkDomainNode(std::u16string domain) : domain(std::move(domain)) {}
  template <class Self, class F>
  static void Fields(Self& s, F&& f) {
    f("domain", s.domain);
  }
  std::u16string domain;
};

template <class Derived>
class cVkComputerNode : public cVkPickerFieldNode<Derived> {
 public:
  cVkComputerNode() = default;
  explicit cVkComputerNode(std::u16string computer) : computer(std::move(computer)) {}
  template <class Self, class F>
  static void Fields(Self& s, F&& f) {
    f("computer", s.computer);
  }
  std::u16string computer;
};

template <class Owner>
class cVkGroupNode : public Owner {
 public:
  cVkGroupNode() = default;
  cVkGroupNode(std::u16string owner, std::u16string group) : Owner(std::move(owner)), group(std::move(group)) {}
  template <class Self, class F>
  static void Fields(Self& s, F&& f) {
    Owner::Fields(s, f);
    f("group", s.group);
  }
  std::u16string group;
};

class cVkNetWorkTreeNodeRoot : public cVkPickerMarkerNode<cVkNetWorkTreeNodeRoot> {
  VK_DECLARE_SERIAL(cVkNetWorkTreeNodeRoot)
  void Populate(cVkCollection& collection, cVkMultipleSelectSaveTree& tree, QTreeWidgetItem* item) override;
};

class cVkNetWorkTreeNodeNT4Domains : public cVkPickerMarkerNode<cVkNetWorkTreeNodeNT4Domains> {
  VK_DECLARE_SERIAL(cVkNetWorkTreeNodeNT4Domains)
  int32_t Collect(cOrkLog& log, cVkCollection& collection) override;
  void Populate(cVkCollection& collection, cVkMultipleSelectSaveTree& tree, QTreeWidgetItem* item) override;
};

class cVkNetWorkTreeNodeW2KDomains : public cVkPickerMarkerNode<cVkNetWorkTreeNodeW2KDomains> {
  VK_DECLARE_SERIAL(cVkNetWorkTreeNodeW2KDomains)
  int32_t Collect(cOrkLog& log, cVkCollection& collection) override;
  void Populate(cVkCollection& collection, cVkMultipleSelectSaveTree& tree, QTreeWidgetItem* item) override;
};

// A browse-list domain: its three folders.
class cVkNetWorkTreeNodeNT4Master : public cVkDomainNode<cVkNetWorkTreeNodeNT4Master> {
  VK_DECLARE_SERIAL(cVkNetWorkTreeNodeNT4Master)
  using cVkDomainNode::cVkDomainNode;
  void Populate(cVkCollection& collection, cVkMultipleSelectSaveTree& tree, QTreeWidgetItem* item) override;
  std::u16string GetResultName(cVkMultipleSelectSaveTree&, QTreeWidgetItem*) override { return domain; }
};

class cVkNetWorkTreeNodeNT4Computers : public cVkDomainNode<cVkNetWorkTreeNodeNT4Computers> {
  VK_DECLARE_SERIAL(cVkNetWorkTreeNodeNT4Computers)
  using cVkDomainNode::cVkDomainNode;
  int32_t Collect(cOrkLog& log, cVkCollection& collection) override;
  void Populate(cVkCollection& collection, cVkMultipleSelectSaveTree& tree, QTreeWidgetItem* item) override;
  std::u16string GetResultName(cVkMultipleSelectSaveTree&, QTreeWidgetItem*) override { return domain; }
};

class cVkNetWorkTreeNodeNT4AllUsers : public cVkDomainNode<cVkNetWorkTreeNodeNT4AllUsers> {
  VK_DECLARE_SERIAL(cVkNetWorkTreeNodeNT4AllUsers)
  using cVkDomainNode::cVkDomainNode;
  int32_t Collect(cOrkLog& log, cVkCollection& collection) override;
  void Populate(cVkCollection& collection, cVkMultipleSelectSaveTree& tree, QTreeWidgetItem* item) override;
};

class cVkNetWorkTreeNodeNT4AllGroups : public cVkDomainNode<cVkNetWorkTreeNodeNT4AllGroups> {
  VK_DECLARE_SERIAL(cVkNetWorkTreeNodeNT4AllGroups)
  using cVkDomainNode::cVkDomainNode;
  int32_t Collect(cOrkLog& log, cVkCollection& collection) override;
  void Populate(cVkCollection& collection, cVkMultipleSelectSaveTree& tree, QTreeWidgetItem* item) override;
};

// A global group of a domain.
class cVkNetWorkTreeNodeNT4Users : public cVkGroupNode<cVkDomainNode<cVkNetWorkTreeNodeNT4Users>> {
  VK_DECLARE_SERIAL(cVkNetWorkTreeNodeNT4Users)
  using cVkGroupNode::cVkGroupNode;
  int32_t Collect(cOrkLog& log, cVkCollection& collection) override;
  void Populate(cVkCollection& collection, cVkMultipleSelectSaveTree& tree, QTreeWidgetItem* item) override;
  std::u16string GetResultName(cVkMultipleSelectSaveTree&, QTreeWidgetItem*) override;
};

// A computer: its local groups.
class cVkNetWorkTreeNodeNT4LocalGroups : public cVkComputerNode<cVkNetWorkTreeNodeNT4LocalGroups> {
  VK_DECLARE_SERIAL(cVkNetWorkTreeNodeNT4LocalGroups)
  using cVkComputerNode::cVkComputerNode;
  int32_t Collect(cOrkLog& log, cVkCollection& collection) override;
  void Populate(cVkCollection& collection, cVkMultipleSelectSaveTree& tree, QTreeWidgetItem* item) override;
  std::u16string GetResultName(cVkMultipleSelectSaveTree&, QTreeWidgetItem*) override { return computer; }
};

// A local group of a computer: its members.
class cVkNetWorkTreeNodeNT4LocalUsers : public cVkGroupNode<cVkComputerNode<cVkNetWorkTreeNodeNT4LocalUsers>> {
  VK_DECLARE_SERIAL(cVkNetWorkTreeNodeNT4LocalUsers)
  using cVkGroupNode::cVkGroupNode;
  int32_t Collect(cOrkLog& log, cVkCollection& collection) override;
  void Populate(cVkCollection& collection, cVkMultipleSelectSaveTree& tree, QTreeWidgetItem* item) override;
  std::u16string GetResultName(cVkMultipleSelectSaveTree&, QTreeWidgetItem*) override;
};

// Users: named with their domain, or with their computer.
class cVkNetWorkTreeNodeDomainUser : public cVkDomainNode<cVkNetWorkTreeNodeDomainUser> {
  VK_DECLARE_SERIAL(cVkNetWorkTreeNodeDomainUser)
  using cVkDomainNode::cVkDomainNode;
  std::u16string GetResultName(cVkMultipleSelectSaveTree& tree, QTreeWidgetItem* item) override;
};

class cVkNetWorkTreeNodeLocalUser : public cVkComputerNode<cVkNetWorkTreeNodeLocalUser> {
  VK_DECLARE_SERIAL(cVkNetWorkTreeNodeLocalUser)
  using cVkComputerNode::cVkComputerNode;
  std::u16string GetResultName(cVkMultipleSelectSaveTree& tree, QTreeWidgetItem* item) override;
};

// A directory node: a domain (empty base) or an object below it.
class cVkNetWorkTreeNodeW2KDC : public cVkPickerFieldNode<cVkNetWorkTreeNodeW2KDC> {
  VK_DECLARE_SERIAL(cVkNetWorkTreeNodeW2KDC)
  static constexpr uint32_t kLdapPort = 389;
  cVkNetWorkTreeNodeW2KDC() = default;
  cVkNetWorkTreeNodeW2KDC(std::u16string host, std::u16string base, std::u16string netbios, uint32_t kind)
      : host(std::move(host)), base(std::move(base)), netbios(std::move(netbios)), kind(kind) {}
  template <class Self, class F>
  static void Fields(Self& s, F&& f) {
    f("host", s.host);
    f("base", s.base);
    f("netbios", s.netbios);
    f("kind", s.kind);
  }
  int32_t Collect(cOrkLog& log, cVkCollection& collection) override;
  void Populate(cVkCollection& collection, cVkMultipleSelectSaveTree& tree, QTreeWidgetItem* item) override;
  std::u16string GetResultName(cVkMultipleSelectSaveTree& tree, QTreeWidgetItem* item) override;
  std::u16string host;
  std::u16string base;  // a distinguished name; empty for a domain
  std::u16string netbios;
  uint32_t kind = 0;
};

// Registers the picker's node classes for as long as it lives, and puts
// back whatever the program had registered under their names.
class PickerClassRegistration {
 public:
  PickerClassRegistration();
  ~PickerClassRegistration();
  PickerClassRegistration(const PickerClassRegistration&) = delete;
  PickerClassRegistration& operator=(const PickerClassRegistration&) = delete;

 private:
  std::vector<const cVkClassInfo*> previous_;
};

}  // namespace vk::picker
