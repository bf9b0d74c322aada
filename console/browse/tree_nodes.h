// The nodes of the browse tree: every item carries one as its data. A node
// knows how to collect its children (in a worker thread, on a clone) and how
// to insert them (in the window's thread), and what its tooltip says.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "common/archive/collection.h"
#include "common/archive/object.h"
#include "common/network/nt4_records.h"
#include "common/network/w2k_records.h"
#include "console/browse/browse_tree.h"

class cOrkLog;

class cVkNetWorkTreeNode : public cVkObject {
  VK_DECLARE_SERIAL(cVkNetWorkTreeNode)

 public:
  cVkNetWorkTreeNode() = default;
  cVkNetWorkTreeNode(bool renamable, bool deletable, bool container)
      : renamable(renamable), deletable(deletable), container(container) {}

  void Serialize(cVkArchive& archive) override;
  cVkObject* Clone() const override { return VkCloneByCopy(*this); }
  void CopyFrom(const cVkObject& other) override;
  void VisitFields(cVkFieldVisitor& visitor) const override;

  // Gathers the item's children into `collection`; runs in a worker thread.
  virtual int32_t Collect(cOrkLog& log, cVkCollection& collection);
  // Inserts the child items from `collection` under `item`.
  virtual void Populate(cVkCollection& collection, iVkBrowseTree& tree, VkTreeItemRef item);
  virtual std::u16string GetToolTip() const { return {}; }

  // A collection can be abandoned: long enumerations look at this flag (set
  // on the worker's clone only).
  void SetCancelFlag(const std::atomic<bool>* cancel) { cancel_ = cancel; }
  bool Cancelled() const { return cancel_ != nullptr && cancel_->load(); }
  const std::atomic<bool>& CancelFlag() const;

  bool renamable = false;
  bool deletable = false;
  bool container = false;

 protected:
  // The base body; false when its layout version is unknown (nothing further is read).
  bool SerializeBase(cVkArchive& archive);
  // The DWORD 1 after the base body: true when the class's own part follows.
  static bool SerializeMarker(cVkArchive& archive);

 private:
  const std::atomic<bool>* cancel_ = nullptr;
};

// The class part of a node: everything but the tree flags, as the derived
// classes copy it.
#define VK_TREE_NODE(cls)                                                                     \
  VK_DECLARE_SERIAL(cls)                                                                      \
 public:                                                                                      \
  cVkObject* Clone() const override { return VkCloneByCopy(*this); }                          \
  void CopyFrom(const cVkObject& other) override;                                             \
  void Serialize(cVkArchive& archive) override;                                               \
  int32_t Collect(cOrkLog& log, cVkCollection& collection) override;                          \
  void Populate(cVkCollection& collection, iVkBrowseTree& tree, VkTreeItemRef item) override; \
  std::u16string GetToolTip() const override;

class cVkNetWorkTreeNodeRoot : public cVkNetWorkTreeNode {
  VK_TREE_NODE(cVkNetWorkTreeNodeRoot)
};

class cVkNetWorkTreeNodeNT4Domains : public cVkNetWorkTreeNode {
  VK_TREE_NODE(cVkNetWorkTreeNodeNT4Domains)
};

class cVkNetWorkTreeNodeNT4Computers : public cVkNetWorkTreeNode {
  VK_TREE_NODE(cVkNetWorkTreeNodeNT4Computers)

 public:
  cVkNetWorkTreeNodeNT4Computers() = default;
  explicit cVkNetWorkTreeNodeNT4Computers(const cVkNT4Domain& domain) : domain(domain) {}
  cVkNT4Domain domain;
};

class cVkNetWorkTreeNodeW2KDomains : public cVkNetWorkTreeNode {
  VK_TREE_NODE(cVkNetWorkTreeNodeW2KDomains)
};

class cVkNetWorkTreeNodeW2KComputers : public cVkNetWorkTreeNode {
  VK_TREE_NODE(cVkNetWorkTreeNodeW2KComputers)

 public:
  cVkNetWorkTreeNodeW2KComputers() = default;
  explicit cVkNetWorkTreeNodeW2KComputers(const cVkW2KDomain& domain) : domain(domain) {}
  cVkW2KDomain domain;
};

class cVkNetWorkTreeNodeRecent : public cVkNetWorkTreeNode {
  VK_TREE_NODE(cVkNetWorkTreeNodeRecent)

 public:
  static constexpr size_t kMaxNames = 10;
  // Adds `name` to the list and a computer item for it under `item`; blank
  // names and names already listed (ignoring case) change nothing.
  void AddRecent(std::u16string_view name, iVkBrowseTree& tree, VkTreeItemRef item);

  std::vector<std::u16string> names;  // oldest first
};

class cVkNetWorkTreeNodeService : public cVkNetWorkTreeNode {
  VK_TREE_NODE(cVkNetWorkTreeNodeService)

 public:
  cVkNetWorkTreeNodeService() = default;
  explicit cVkNetWorkTreeNodeService(const cVkNT4Computer& computer) : isNT4(true), nt4Computer(computer) {}
  explicit cVkNetWorkTreeNodeService(const cVkW2KComputer& computer) : isNT4(false), w2kComputer(computer) {}

  const std::u16string& ComputerName() const { return isNT4 ? nt4Computer.name : w2kComputer.commonName; }

  bool isNT4 = false;
  cVkNT4Computer nt4Computer;
  cVkW2KComputer w2kComputer;
};

// Registers every node class and the records the nodes and UMBTS.dat hold.
void VkRegisterBrowseClasses();
