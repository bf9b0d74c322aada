#include "common/security_lists/service_security.h"

#include "common/archive/archive.h"
#include "common/archive/field_visitor.h"

VK_IMPLEMENT_SERIAL(cVkServiceSecurity, &cVkObject::classInfo, 1)

namespace {

void WriteList(cVkArchive& ar, const VkAccountList& names) {
  ar.WriteCount(names.size());
  for (const auto& name : names) ar.WriteString(name);
}

// Every archived string takes at least one byte.
VkAccountList ReadList(cVkArchive& ar) {
  VkAccountList names;
  uint32_t count = ar.ReadCount(1);
  names.reserve(count);
  for (uint32_t i = 0; i < count && !ar.Failed(); ++i) names.push_back(ar.ReadString());
  return names;
}

}  // namespace

cVkServiceSecurity::cVkServiceSecurity(VkAccountList administrators, VkAccountList operators, VkAccountList users)
    : administrators_(std::move(administrators)), operators_(std::move(operators)), users_(std::move(users)) {}

void cVkServiceSecurity::Serialize(cVkArchive& ar) {
  std::lock_guard guard(lock_);
  if (ar.IsStoring()) {
    ar.WriteDword(1);
    WriteList(ar, administrators_);
    WriteList(ar, operators_);
    WriteList(ar, users_);
    return;
  }
  if (ar.ReadLayoutVersion(*this) != 1) return;
  // A list replaces the old one only when it was read whole.
  VkAccountList administrators = ReadList(ar);
  if (ar.Failed()) return;
  administrators_ = std::move(administrators);
  VkAccountList operators = ReadList(ar);
  if (ar.Failed()) return;
  operators_ = std::move(operators);
  VkAccountList users = ReadList(ar);
  if (ar.Failed()) return;
  users_ = std::move(users);
}

void cVkServiceSecurity::CopyFrom(const cVkObject& other) {
  auto* source = dynamic_cast<const cVkServiceSecurity*>(&other);
  if (source == nullptr || source == this) return;
  VkAccountList administrators = source->GetAdministrators();
  VkAccountList operators = source->GetOperators();
  VkAccountList users = source->GetUsers();
  SetLists(std::move(administrators), std::move(operators), std::move(users));
}

VkAccountList cVkServiceSecurity::GetAdministrators() const {
  std::lock_guard guard(lock_);
  return administrators_;
}

VkAccountList cVkServiceSecurity::GetOperators() const {
  std::lock_guard guard(lock_);
  return operators_;
}

VkAccountList cVkServiceSecurity::GetUsers() const {
  std::lock_guard guard(lock_);
  return users_;
}

void cVkServiceSecurity::SetLists(VkAccountList administrators, VkAccountList operators, VkAccountList users) {
  std::lock_guard guard(lock_);
  administrators_ = std::move(administrators);
  operators_ = std::move(operators);
  users_ = std::move(users);
}

std::u16string VkJoinAccountList(const VkAccountList& names) {
  std::u16string joined;
  for (size_t i = 0; i < names.size(); ++i) {
    if (i > 0) joined += u',';
    joined += names[i];
  }
  return joined;
}

VkAccountList VkSplitAccountList(std::u16string_view joined) {
  VkAccountList names;
  size_t start = 0;
  for (;;) {
    size_t comma = joined.find(u',', start);
    if (comma == std::u16string_view::npos) {
      names.emplace_back(joined.substr(start));
      return names;
    }
    names.emplace_back(joined.substr(start, comma - start));
    start = comma + 1;
  }
}

void cVkServiceSecurity::VisitFields(cVkFieldVisitor& visitor) const {
  std::lock_guard guard(lock_);
  const std::pair<const char*, const VkAccountList*> lists[] = {
      {"administrators", &administrators_}, {"operators", &operators_}, {"users", &users_}};
  for (const auto& [name, names] : lists) {
    visitor.BeginList(name);
    for (const auto& account : *names) visitor.Text({}, account);
    visitor.EndList();
  }
}
