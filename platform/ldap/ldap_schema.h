// What a directory says about itself: its root DSE and its subschema.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/ldap/ldap_connection.h"

namespace vk::ldap {

struct RootDse {
  std::vector<std::string> namingContexts;
  std::string defaultNamingContext;  // Active Directory's; empty elsewhere
  std::string subschemaSubentry;
};

struct ObjectClassInfo {
  std::vector<std::string> names;
  std::vector<std::string> superiors;
  std::vector<std::string> must;
  std::vector<std::string> may;
};

struct Schema {
  std::vector<ObjectClassInfo> classes;
  std::vector<std::string> attributeNames;  // every name of every attribute type

  bool HasAttribute(std::string_view name) const;
  const ObjectClassInfo* FindClass(std::string_view name) const;
  bool HasClass(std::string_view name) const { return FindClass(name) != nullptr; }
};

int ReadRootDse(Connection& connection, RootDse& rootDse);
// Reads the subschema entry `subschemaDn` (the root DSE names it).
int ReadSchema(Connection& connection, const std::string& subschemaDn, Schema& schema);

// Names compare without regard to case, as LDAP compares them.
bool SameName(std::string_view a, std::string_view b);

}  // namespace vk::ldap
