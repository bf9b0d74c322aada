// GetObjectProperties: one keyword per property that the object's classes
// allow, mandatory ones first, from the server's subschema.
#include <vector>

#include "common/network/directory_records.h"
#include "dirbridge/directory.h"
#include "dirbridge/dirbridge.h"
#include "dirbridge/result_buffer.h"
#include "log/format.h"
#include "log/orklog.h"
#include "platform/core/text.h"

namespace {

// The object's classes are unknown to the schema (E_ADS_UNKNOWN_OBJECT).
constexpr int32_t kUnknownObject = static_cast<int32_t>(0x80005004u);

void AddOnce(std::vector<std::string>& names, const std::string& name) {
  for (const std::string& known : names)
    if (vk::ldap::SameName(known, name)) return;
  names.push_back(name);
}

// Walks the classes and their superiors; `seen` stops loops in a damaged schema.
void CollectAttributes(const vk::ldap::Schema& schema, const std::string& className, std::vector<std::string>& seen,
                       std::vector<std::string>& must, std::vector<std::string>& may) {
  for (const std::string& known : seen)
    if (vk::ldap::SameName(known, className)) return;
  seen.push_back(className);
  const vk::ldap::ObjectClassInfo* info = schema.FindClass(className);
  if (info == nullptr) return;
  for (const std::string& superior : info->superiors) CollectAttributes(schema, superior, seen, must, may);
  for (const std::string& name : info->must) AddOnce(must, name);
  for (const std::string& name : info->may) AddOnce(may, name);
}

void AddKeywords(const std::vector<std::string>& names, cVkCollection& keywords) {
  for (const std::string& name : names) {
    std::u16string property = vk::FromUtf8(name);
    keywords.Add(new cVkStringVariable(
        u"%AD:" + property + u"%", u"",
        vk::Format(u"This keyword represents the property '%s' of a user in the Active Directory.", property)));
  }
}

}  // namespace

extern "C" int32_t GetObjectProperties(cOrkLog* log, const char16_t* path, uint8_t** buffer, uint32_t* length) {
  vk::dirbridge::RegisterRecordClasses();
  *buffer = nullptr;
  *length = 0;
  std::u16string pathText = path != nullptr ? path : u"";
  vk::dirbridge::DirectoryPath where = vk::dirbridge::ParsePath(pathText);
  vk::dirbridge::Directory directory;
  std::vector<vk::ldap::Entry> entries;
  int rc = directory.Open(where.uri);
  if (rc == 0)
    rc = directory.Session().Search({where.base, vk::ldap::Scope::Base, "(objectClass=*)", {"objectClass"}}, entries);
  if (rc == 0 && entries.empty()) rc = 32;  // noSuchObject
  if (rc != 0) {
    int32_t code = vk::dirbridge::LdapCode(rc);
    log->LogAdsiMsg(LOG_ERROR, code, u"Error getting AD object '%s'. Errorcode %ld.", pathText, code);
    return code;
  }
  if (rc = directory.LoadSchema(); rc != 0) {
    int32_t code = vk::dirbridge::LdapCode(rc);
    log->LogAdsiMsg(LOG_ERROR, code, u"Error getting schema of object '%s'. Errorcode %ld.", pathText, code);
    return code;
  }
  const std::vector<std::string>* classes = entries.front().Find("objectClass");
  std::vector<std::string> seen, must, may;
  bool known = false;
  for (const std::string& cls : classes != nullptr ? *classes : std::vector<std::string>{}) {
    known = known || directory.Schema().HasClass(cls);
    CollectAttributes(directory.Schema(), cls, seen, must, may);
  }
  if (!known) {
    std::u16string schemaPath = vk::FromUtf8(directory.Root().subschemaSubentry);
    log->LogAdsiMsg(LOG_ERROR, kUnknownObject, u"Error getting schema object '%s'. Errorcode %ld.", schemaPath,
                    kUnknownObject);
    return kUnknownObject;
  }
  cVkStringVariableArray keywords;
  AddKeywords(must, keywords);
  std::vector<std::string> optional;
  for (const std::string& name : may) {
    bool mandatory = false;
    for (const std::string& m : must) mandatory = mandatory || vk::ldap::SameName(m, name);
    if (!mandatory) optional.push_back(name);
  }
  AddKeywords(optional, keywords);
  return vk::dirbridge::ProduceBuffer(keywords, buffer, length);
}
