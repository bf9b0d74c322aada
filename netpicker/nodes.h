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

// Nodes without fields of their own whose body carries one more DWORD 1.
#define VK_PICKER_MARKER_NODE(cls)                                           \
  VK_DECLARE_SERIAL(cls)                                                     \
 public:                                                                     \
  void Serialize(cVkArchive& archive) override { SerializeMarker(archive); } \
  cVkObject* Clone() const override { return new cls; }

// Nodes with fields: after the base body, layout version 1 and the fields.
#define VK_PICKER_FIELD_NODE(cls)                                         \
  VK_DECLARE_SERIAL(cls)                                                  \
 public:                                                                  \
  void Serialize(cVkArchive& archive) override {                          \
    cVkNetWorkTreeNode::Serialize(archive);                               \
    VkSerializeRecord(*this, archive);                                    \
  }                                                                       \
  cVkObject* Clone() const override { return new cls(*this); }            \
  void CopyFrom(const cVkObject& other) override {                        \
    if (auto* source = dynamic_cast<const cls*>(&other)) *this = *source; \
  }

class cVkNetWorkTreeMarkerNode : public cVkNetWorkTreeNode {
 protected:
  void SerializeMarker(cVkArchive& archive);
};

class cVkNetWorkTreeNodeRoot : public cVkNetWorkTreeMarkerNode {
  VK_PICKER_MARKER_NODE(cVkNetWorkTreeNodeRoot)
  void Populate(cVkCollection& collection, cVkMultipleSelectSaveTree& tree, QTreeWidgetItem* item) override;
  std::u16string GetResultName(cVkMultipleSelectSaveTree&, QTreeWidgetItem*) override { return {}; }
};

class cVkNetWorkTreeNodeNT4Domains : public cVkNetWorkTreeMarkerNode {
  VK_PICKER_MARKER_NODE(cVkNetWorkTreeNodeNT4Domains)
  int32_t Collect(cOrkLog& log, cVkCollection& collection) override;
  void Populate(cVkCollection& collection, cVkMultipleSelectSaveTree& tree, QTreeWidgetItem* item) override;
  std::u16string GetResultName(cVkMultipleSelectSaveTree&, QTreeWidgetItem*) override { return {}; }
};

class cVkNetWorkTreeNodeW2KDomains : public cVkNetWorkTreeMarkerNode {
  VK_PICKER_MARKER_NODE(cVkNetWorkTreeNodeW2KDomains)
  int32_t Collect(cOrkLog& log, cVkCollection& collection) override;
  void Populate(cVkCollection& collection, cVkMultipleSelectSaveTree& tree, QTreeWidgetItem* item) override;
  std::u16string GetResultName(cVkMultipleSelectSaveTree&, QTreeWidgetItem*) override { return {}; }
};

// A browse-list domain: its three folders.
class cVkNetWorkTreeNodeNT4Master : public cVkNetWorkTreeNode {
  VK_PICKER_FIELD_NODE(cVkNetWorkTreeNodeNT4Master)
  cVkNetWorkTreeNodeNT4Master() = default;
  explicit cVkNetWorkTreeNodeNT4Master(std::u16string domain) : domain(std::move(domain)) {}
  template <class Self, class F>
  static void Fields(Self& s, F&& f) {
    f("domain", s.domain);
  }
  void Populate(cVkCollection& collection, cVkMultipleSelectSaveTree& tree, QTreeWidgetItem* item) override;
  std::u16string GetResultName(cVkMultipleSelectSaveTree&, QTreeWidgetItem*) override { return domain; }
  std::u16string domain;
};

class cVkNetWorkTreeNodeNT4Computers : public cVkNetWorkTreeNode {
  VK_PICKER_FIELD_NODE(cVkNetWorkTreeNodeNT4Computers)
  cVkNetWorkTreeNodeNT4Computers() = default;
  explicit cVkNetWorkTreeNodeNT4Computers(std::u16string domain) : domain(std::move(domain)) {}
  template <class Self, class F>
  static void Fields(Self& s, F&& f) {
    f("domain", s.domain);
  }
  int32_t Collect(cOrkLog& log, cVkCollection& collection) override;
  void Populate(cVkCollection& collection, cVkMultipleSelectSaveTree& tree, QTreeWidgetItem* item) override;
  std::u16string GetResultName(cVkMultipleSelectSaveTree&, QTreeWidgetItem*) override { return domain; }
  std::u16string domain;
};

class cVkNetWorkTreeNodeNT4AllUsers : public cVkNetWorkTreeNode {
  VK_PICKER_FIELD_NODE(cVkNetWorkTreeNodeNT4AllUsers)
  cVkNetWorkTreeNodeNT4AllUsers() = default;
  explicit cVkNetWorkTreeNodeNT4AllUsers(std::u16string domain) : domain(std::move(domain)) {}
  template <class Self, class F>
  static void Fields(Self& s, F&& f) {
    f("domain", s.domain);
  }
  int32_t Collect(cOrkLog& log, cVkCollection& collection) override;
  void Populate(cVkCollection& collection, cVkMultipleSelectSaveTree& tree, QTreeWidgetItem* item) override;
  std::u16string domain;
};

class cVkNetWorkTreeNodeNT4AllGroups : public cVkNetWorkTreeNode {
  VK_PICKER_FIELD_NODE(cVkNetWorkTreeNodeNT4AllGroups)
  cVkNetWorkTreeNodeNT4AllGroups() = default;
  explicit cVkNetWorkTreeNodeNT4AllGroups(std::u16string domain) : domain(std::move(domain)) {}
  template <class Self, class F>
  static void Fields(Self& s, F&& f) {
    f("domain", s.domain);
  }
  int32_t Collect(cOrkLog& log, cVkCollection& collection) override;
  void Populate(cVkCollection& collection, cVkMultipleSelectSaveTree& tree, QTreeWidgetItem* item) override;
  std::u16string domain;
};

// A global group of a domain.
class cVkNetWorkTreeNodeNT4Users : public cVkNetWorkTreeNode {
  VK_PICKER_FIELD_NODE(cVkNetWorkTreeNodeNT4Users)
  cVkNetWorkTreeNodeNT4Users() = default;
  cVkNetWorkTreeNodeNT4Users(std::u16string domain, std::u16string group)
      : domain(std::move(domain)), group(std::move(group)) {}
  template <class Self, class F>
  static void Fields(Self& s, F&& f) {
    f("domain", s.domain);
    f("group", s.group);
  }
  int32_t Collect(cOrkLog& log, cVkCollection& collection) override;
  void Populate(cVkCollection& collection, cVkMultipleSelectSaveTree& tree, QTreeWidgetItem* item) override;
  std::u16string GetResultName(cVkMultipleSelectSaveTree&, QTreeWidgetItem*) override;
  std::u16string domain;
  std::u16string group;
};

// A computer: its local groups.
class cVkNetWorkTreeNodeNT4LocalGroups : public cVkNetWorkTreeNode {
  VK_PICKER_FIELD_NODE(cVkNetWorkTreeNodeNT4LocalGroups)
  cVkNetWorkTreeNodeNT4LocalGroups() = default;
  explicit cVkNetWorkTreeNodeNT4LocalGroups(std::u16string computer) : computer(std::move(computer)) {}
  template <class Self, class F>
  static void Fields(Self& s, F&& f) {
    f("computer", s.computer);
  }
  int32_t Collect(cOrkLog& log, cVkCollection& collection) override;
  void Populate(cVkCollection& collection, cVkMultipleSelectSaveTree& tree, QTreeWidgetItem* item) override;
  std::u16string GetResultName(cVkMultipleSelectSaveTree&, QTreeWidgetItem*) override { return computer; }
  std::u16string computer;
};

// A local group of a computer: its members.
class cVkNetWorkTreeNodeNT4LocalUsers : public cVkNetWorkTreeNode {
  VK_PICKER_FIELD_NODE(cVkNetWorkTreeNodeNT4LocalUsers)
  cVkNetWorkTreeNodeNT4LocalUsers() = default;
  cVkNetWorkTreeNodeNT4LocalUsers(std::u16string computer, std::u16string group)
      : computer(std::move(computer)), group(std::move(group)) {}
  template <class Self, class F>
  static void Fields(Self& s, F&& f) {
    f("computer", s.computer);
    f("group", s.group);
  }
  int32_t Collect(cOrkLog& log, cVkCollection& collection) override;
  void Populate(cVkCollection& collection, cVkMultipleSelectSaveTree& tree, QTreeWidgetItem* item) override;
  std::u16string GetResultName(cVkMultipleSelectSaveTree&, QTreeWidgetItem*) override;
  std::u16string computer;
  std::u16string group;
};

class cVkNetWorkTreeNodeDomainUser : public cVkNetWorkTreeNode {
  VK_PICKER_FIELD_NODE(cVkNetWorkTreeNodeDomainUser)
  cVkNetWorkTreeNodeDomainUser() = default;
  explicit cVkNetWorkTreeNodeDomainUser(std::u16string domain) : domain(std::move(domain)) {}
  template <class Self, class F>
  static void Fields(Self& s, F&& f) {
    f("domain", s.domain);
  }
  std::u16string GetResultName(cVkMultipleSelectSaveTree& tree, QTreeWidgetItem* item) override;
  std::u16string domain;
};

class cVkNetWorkTreeNodeLocalUser : public cVkNetWorkTreeNode {
  VK_PICKER_FIELD_NODE(cVkNetWorkTreeNodeLocalUser)
  cVkNetWorkTreeNodeLocalUser() = default;
  explicit cVkNetWorkTreeNodeLocalUser(std::u16string computer) : computer(std::move(computer)) {}
  template <class Self, class F>
  static void Fields(Self& s, F&& f) {
    f("computer", s.computer);
  }
  std::u16string GetResultName(cVkMultipleSelectSaveTree& tree, QTreeWidgetItem* item) override;
  std::u16string computer;
};

// A directory node: a domain (empty base) or an object below it.
class cVkNetWorkTreeNodeW2KDC : public cVkNetWorkTreeNode {
  VK_PICKER_FIELD_NODE(cVkNetWorkTreeNodeW2KDC)
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
