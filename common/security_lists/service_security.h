// cVkServiceSecurity: the three account lists that decide who may use an
// agent (administrators, operators, users), as they travel and are stored.
//
// This class holds the lists and their archived form. The agent's access
// control builds on it, either by holding one (and building its descriptor
// from the lists) or by deriving from it: the lists and the lock are
// protected, Serialize/Clone/CopyFrom are virtual, and a derived class can
// be registered under this class's wire name with VK_IMPLEMENT_SERIAL_NAMED
// so that objects read from the network are created as the derived class.
#pragma once

#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "common/archive/object.h"

using VkAccountList = std::vector<std::u16string>;

class cVkServiceSecurity : public cVkObject {
  VK_DECLARE_SERIAL(cVkServiceSecurity)

 public:
  cVkServiceSecurity() = default;
  cVkServiceSecurity(VkAccountList administrators, VkAccountList operators, VkAccountList users);
  cVkServiceSecurity(const cVkServiceSecurity&) = delete;
  cVkServiceSecurity& operator=(const cVkServiceSecurity&) = delete;

  void Serialize(cVkArchive& archive) override;
  cVkObject* Clone() const override { return VkCloneByCopy(*this); }
  // Copies the three lists under the lock.
  void CopyFrom(const cVkObject& other) override;
  void VisitFields(cVkFieldVisitor& visitor) const override;

  // Copies of the lists, taken under the lock.
  VkAccountList GetAdministrators() const;
  VkAccountList GetOperators() const;
  VkAccountList GetUsers() const;
  // Replaces all three lists under the lock.
  void SetLists(VkAccountList administrators, VkAccountList operators, VkAccountList users);

 protected:
  VkAccountList administrators_;
  VkAccountList operators_;
  VkAccountList users_;
  mutable std::recursive_mutex lock_;
};

// The stored form of a list: names joined with "," (no blanks added), and
// split again at every "," (empty pieces are kept: "a,,b" is three names).
std::u16string VkJoinAccountList(const VkAccountList& names);
VkAccountList VkSplitAccountList(std::u16string_view joined);
