// LDAPSearchQuery: the groups, users, computers, OUs, containers and
// built-in containers directly below a node, each search on its own.
#include "common/network/directory_records.h"
#include "dirbridge/directory.h"
#include "dirbridge/dirbridge.h"
#include "dirbridge/result_buffer.h"
#include "platform/ldap/ldap_discovery.h"
#include "log/orklog.h"
#include "platform/core/text.h"

namespace {

enum Search { kGroups, kUsers, kComputers, kOus, kContainers, kBuiltins, kSearches };

struct SearchKind {
  const char* adFilter;
  const char* plainFilter;  // null: no such objects outside Active Directory
  const char* plainAccount;
  uint32_t kind;
};

const SearchKind kKinds[kSearches] = {
    {"(objectClass=group)", "(|(objectClass=groupOfNames)(objectClass=groupOfUniqueNames)(objectClass=posixGroup))",
     "cn", VK_LDAP_GROUP},
    {"(&(objectClass=user)(!(objectClass=computer)))", "(|(objectClass=inetOrgPerson)(objectClass=posixAccount))",
     "uid", VK_LDAP_USER},
    {"(objectClass=computer)", "(|(objectClass=ipHost)(objectClass=device))", "cn", VK_LDAP_COMPUTER},
    {"(objectClass=organizationalUnit)", "(objectClass=organizationalUnit)", "", VK_LDAP_ORGANIZATIONAL_UNIT},
    {"(&(objectClass=container)(!(CN=System)))", nullptr, "", VK_LDAP_CONTAINER},
    {"(objectClass=builtinDomain)", nullptr, "", VK_LDAP_BUILTIN_CONTAINER},
};

void LogSearchFailure(cOrkLog& log, int search, const std::u16string& base, const std::u16string& error, int32_t code) {
  switch (search) {
    case kGroups:
      log.LogMsg(LOG_ERROR, code, u"Error searching for groups in '%s'. %s Errorcode %ld.", base, error, code);
      log.LogMsg(LOG_ERROR, code, u"An error has occurred while getting groups. Errorcode %ld.", code);
      break;
    case kUsers:
      log.LogMsg(LOG_ERROR, code, u"Error searching for users in '%s'. %s  ErrorCode %ld. ", base, error, code);
      log.LogMsg(LOG_ERROR, code, u"An error has occurred while getting users. Errorcode %ld.", code);
      break;
    case kComputers:
      log.LogMsg(LOG_ERROR, code, u"Error searching for computers in '%s'. %s  ErrorCode %ld. ", base, error, code);
      log.LogMsg(LOG_ERROR, code, u"An error has occurred while getting computers. Errorcode %ld.", code);
      break;
    case kOus:
      log.LogMsg(LOG_ERROR, code, u"Error searching for OUs in '%s'. %s  ErrorCode %ld. ", base, error, code);
      log.LogMsg(LOG_ERROR, code, u"An error has occurred while getting OUs. Errorcode %ld.", code);
      break;
    case kContainers:
      log.LogMsg(LOG_ERROR, code, u"Error searching for containers in '%s'. %s  ErrorCode %ld. ", base, error, code);
      log.LogMsg(LOG_ERROR, 0, u"An error has occurred while getting containers. Errorcode %ld.", code);
      break;
    default:
      log.LogMsg(LOG_ERROR, code, u"Error searching for builtin items in '%s'. %s  ErrorCode %ld. ", base, error, code);
      log.LogMsg(LOG_ERROR, code, u"An error has occurred while getting builtin containers. Errorcode %ld.", code);
      break;
  }
}

// One search; its objects are appended. Answers whether it succeeded.
bool RunSearch(cOrkLog& log, vk::dirbridge::Directory& directory, int search, const std::string& base,
               const std::u16string& netbios, cVkCollection& found) {
  const SearchKind& kind = kKinds[search];
  bool ad = directory.HasAdNames();
  const char* filter = ad ? kind.adFilter : kind.plainFilter;
  if (filter == nullptr) return true;
  std::string account = ad ? "sAMAccountName" : kind.plainAccount;
  std::vector<vk::ldap::Entry> entries;
  vk::ldap::SearchRequest request{base, vk::ldap::Scope::OneLevel, filter, {"distinguishedName"}};
  if (!account.empty()) request.attributes.push_back(account);
  int rc = directory.Session().Search(request, entries);
  if (rc != 0) {
    LogSearchFailure(log, search, vk::FromUtf8(base), vk::FromUtf8(directory.ErrorText(rc)),
                     vk::dirbridge::LdapCode(rc));
    return false;
  }
  for (const vk::ldap::Entry& entry : entries) {
    std::u16string name;
    // An over-long account name is left empty rather than refusing the object.
    if (!account.empty()) vk::dirbridge::ValueText(entry, account, name);
    if (kind.kind == VK_LDAP_COMPUTER) std::erase(name, u'$');
    found.Add(new cVkLDAPData(vk::FromUtf8(entry.dn), name, netbios, kind.kind));
  }
  return true;
}

// The server of a domain: the directory ldap.conf names when the domain is
// its own, else the servers its SRV records name, else the host itself on
// the given port.
std::string ServerUri(const std::u16string& host, uint32_t port) {
  std::string configuredUri, configuredBase;
  vk::ldap::Connection::ConfiguredDirectory(configuredUri, configuredBase);
  std::string name = vk::ToUtf8(host);
  if (!configuredUri.empty() && !name.empty() && vk::ldap::SameName(vk::dirbridge::DomainFromDn(configuredBase), name))
    return configuredUri;
  std::string discovered = vk::ldap::DiscoverDirectoryUris(name);
  if (!discovered.empty()) return discovered;
  return "ldap://" + name + ":" + std::to_string(port) + "/";
}

}  // namespace

extern "C" int32_t LDAPSearchQuery(cOrkLog* log, const char16_t* host, const char16_t* base, uint32_t port,
                                   uint8_t** buffer, uint32_t* length) {
  vk::dirbridge::RegisterRecordClasses();
  *buffer = nullptr;
  *length = 0;
  std::u16string hostText = host != nullptr ? host : u"";
  std::string uri = ServerUri(hostText, port);
  vk::dirbridge::Directory directory;
  int rc = directory.Session().Open(uri);
  if (rc != 0) {
    int32_t code = vk::dirbridge::LdapCode(rc);
    log->LogMsg(LOG_ERROR, code, u"Error connecting to domain: %s. %s ErrorCode %ld.", hostText,
                vk::FromUtf8(directory.ErrorText(rc)), code);
  } else if (rc = directory.Bind(); rc != 0) {
    int32_t code = vk::dirbridge::LdapCode(rc);
    log->LogMsg(LOG_ERROR, code, u"LDAP error binding to domain: %s.%s ErrorCode %ld.", hostText,
                vk::FromUtf8(directory.ErrorText(rc)), code);
  }
  if (rc != 0) {
    log->LogMsg(LOG_ERROR, vk::dirbridge::LdapCode(rc),
                u"An error has occurred while initializing the LDAP provider. Errorcode %ld.",
                vk::dirbridge::LdapCode(rc));
    return -1;
  }
  // Without a schema the searches use Active Directory's names.
  directory.LoadSchema();
  std::string baseDn = base != nullptr ? vk::ToUtf8(base) : std::string();
  if (baseDn.empty()) baseDn = directory.DefaultBase();
  if (baseDn.empty()) {
    log->LogMsg(LOG_ERROR, -1, u"An error has occurred while evaluating '%s'. Errorcode %ld.", hostText, -1);
    return -1;
  }
  std::u16string netbios = vk::dirbridge::NetbiosNameOf(baseDn);
  cVkCollection found;
  bool allFound = true;
  for (int search = 0; search < kSearches; ++search)
    allFound = RunSearch(*log, directory, search, baseDn, netbios, found) && allFound;
  int32_t produced = vk::dirbridge::ProduceBuffer(found, buffer, length);
  if (int closed = directory.Session().Close(); closed != 0) {
    int32_t code = vk::dirbridge::LdapCode(closed);
    log->LogMsg(LOG_ERROR, code, u"Error unbinding from LDAP provider. %s Errorcode %ld.",
                vk::FromUtf8(directory.ErrorText(closed)), code);
    log->LogMsg(LOG_ERROR, code, u"An error has occurred while uninitializing the LDAP provider. Errorcode %ld.", code);
    return code;
  }
  if (produced != 0) return produced;
  return allFound ? 0 : -1;
}
