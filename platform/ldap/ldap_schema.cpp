#include "platform/ldap/ldap_schema.h"

#include <ldap.h>
#include <ldap_schema.h>
#include <strings.h>

namespace vk::ldap {

namespace {

std::vector<std::string> CopyList(char** list) {
  std::vector<std::string> copies;
  for (char** item = list; item != nullptr && *item != nullptr; ++item) copies.emplace_back(*item);
  return copies;
}

void AddObjectClass(const std::string& description, Schema& schema) {
  int code = 0;
  const char* error = nullptr;
  LDAPObjectClass* parsed = ldap_str2objectclass(description.c_str(), &code, &error, LDAP_SCHEMA_ALLOW_ALL);
  if (parsed == nullptr) return;  // a description libldap cannot read is left out
  schema.classes.push_back(ObjectClassInfo{CopyList(parsed->oc_names), CopyList(parsed->oc_sup_oids),
                                           CopyList(parsed->oc_at_oids_must), CopyList(parsed->oc_at_oids_may)});
  ldap_objectclass_free(parsed);
}

void AddAttributeType(const std::string& description, Schema& schema) {
  int code = 0;
  const char* error = nullptr;
  LDAPAttributeType* parsed = ldap_str2attributetype(description.c_str(), &code, &error, LDAP_SCHEMA_ALLOW_ALL);
  if (parsed == nullptr) return;
  for (std::string& name : CopyList(parsed->at_names)) schema.attributeNames.push_back(std::move(name));
  ldap_attributetype_free(parsed);
}

}  // namespace

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

bool Schema::HasAttribute(std::string_view name) const {
  for (const std::string& known : attributeNames)
    if (SameName(known, name)) return true;
  return false;
}

const ObjectClassInfo* Schema::FindClass(std::string_view name) const {
  for (const ObjectClassInfo& info : classes)
    for (const std::string& known : info.names)
      if (SameName(known, name)) return &info;
  return nullptr;
}

int ReadRootDse(Connection& connection, RootDse& rootDse) {
  std::vector<Entry> entries;
  SearchRequest request{
      "", Scope::Base, "(objectClass=*)", {"namingContexts", "defaultNamingContext", "subschemaSubentry"}};
  int rc = connection.Search(request, entries);
  if (rc != LDAP_SUCCESS) return rc;
  if (entries.empty()) return LDAP_NO_SUCH_OBJECT;
  const Entry& entry = entries.front();
  if (const auto* contexts = entry.Find("namingContexts")) rootDse.namingContexts = *contexts;
  rootDse.defaultNamingContext = entry.First("defaultNamingContext");
  rootDse.subschemaSubentry = entry.First("subschemaSubentry");
  return LDAP_SUCCESS;
}

int ReadSchema(Connection& connection, const std::string& subschemaDn, Schema& schema) {
  std::vector<Entry> entries;
  SearchRequest request{subschemaDn, Scope::Base, "(objectClass=subschema)", {"objectClasses", "attributeTypes"}};
  int rc = connection.Search(request, entries);
  if (rc != LDAP_SUCCESS) return rc;
  if (entries.empty()) return LDAP_NO_SUCH_OBJECT;
  if (const auto* classes = entries.front().Find("objectClasses"))
    for (const std::string& description : *classes) AddObjectClass(description, schema);
  if (const auto* types = entries.front().Find("attributeTypes"))
    for (const std::string& description : *types) AddAttributeType(description, schema);
  return LDAP_SUCCESS;
}

}  // namespace vk::ldap
