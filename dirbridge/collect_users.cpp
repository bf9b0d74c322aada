// CollectUsersInDomain: the users of a domain that have a home directory,
// read in pages of ten.
#include "common/network/directory_records.h"
#include "dirbridge/directory.h"
#include "dirbridge/dirbridge.h"
#include "dirbridge/result_buffer.h"
#include "log/orklog.h"
#include "platform/core/error_codes.h"
#include "platform/core/text.h"
#include "platform/core/worker_thread.h"

namespace {

constexpr int kPageSize = 10;
// Bounds a server that keeps announcing more pages.
constexpr int kMaxPages = 100000;

std::string UserFilter(const vk::dirbridge::Directory& directory) {
  if (directory.Schema().HasAttribute("objectCategory")) return "(&(objectClass=user)(objectCategory=person))";
  if (directory.Schema().HasClass("user")) return "(&(objectClass=user)(!(objectClass=computer)))";
  return "(objectClass=posixAccount)";
}

// The configured directory's own domain (ldap.conf BASE or its naming context).
int32_t LocalDomain(cOrkLog& log, std::string& domain) {
  vk::dirbridge::Directory directory;
  int rc = directory.Open("");
  if (rc == 0) rc = directory.LoadSchema();
  int32_t code = rc != 0 ? vk::dirbridge::LdapCode(rc) : 0;
  if (code == 0) {
    domain = vk::dirbridge::DomainFromDn(directory.DefaultBase());
    if (domain.empty()) code = ERROR_NO_SUCH_DOMAIN;
  }
  if (code != 0) {
    log.LogNetMsg(LOG_ERROR, static_cast<uint32_t>(code), u"Error getting the domain name. Errorcode %ld.", code);
    log.LogMsg(LOG_ERROR, code, u"An error has occurred while resolving the domain name. Errorcode %ld.", code);
  }
  return code;
}

void AddUser(cOrkLog& log, const vk::ldap::Entry& entry, const std::string& accountAttribute,
             const std::u16string& netbios, cVkCollection& users) {
  std::u16string account;
  std::u16string home;
  if (int32_t code = vk::dirbridge::ValueText(entry, accountAttribute, account); code != 0) {
    log.LogMsg(LOG_ERROR, code, u"An error has occurred while getting the column 'sAMAccountName'. Errorcode %ld.",
               code);
    return;
  }
  if (int32_t code = vk::dirbridge::ValueText(entry, "homeDirectory", home); code != 0) {
    log.LogMsg(LOG_ERROR, code, u"An error has occurred while getting the column 'homeDirectory'. Errorcode %ld.",
               code);
    return;
  }
  if (home.empty()) return;
  log.LogMsg(LOG_DETAIL, u"Adding user '%s' with home directory '%s'.", account, home);
  users.Add(new cVkUserInfo(account, netbios, home, u""));
}

}  // namespace

extern "C" int32_t CollectUsersInDomain(cOrkLog* log, const char16_t* domain, vk::ManualResetEvent* event,
                                        uint8_t** buffer, uint32_t* length) {
  vk::dirbridge::RegisterRecordClasses();
  *buffer = nullptr;
  *length = 0;
  std::string domainName;
  if (domain == nullptr || *domain == u'\0') {
    log->LogMsg(LOG_DETAIL, u"No domain specified. Getting domain from local machine.");
    if (int32_t code = LocalDomain(*log, domainName); code != 0) return code;
    log->LogMsg(LOG_DETAIL, u"Domain '%s' found.", vk::FromUtf8(domainName));
  } else {
    domainName = vk::ToUtf8(domain);
    log->LogMsg(LOG_DETAIL, u"Using specified domain '%s'.", std::u16string(domain));
  }
  std::u16string path = u"LDAP://" + vk::FromUtf8(domainName);
  log->LogMsg(LOG_DETAIL, u"Getting NETBIOS domain name.");
  std::u16string netbios = vk::dirbridge::NetbiosNameOf(domainName);
  log->LogMsg(LOG_DETAIL, u"NETBIOS domain name '%s' found.", netbios);

  log->LogMsg(LOG_DETAIL, u"Initializing directory search.");
  vk::dirbridge::DirectoryPath where = vk::dirbridge::ParsePath(path);
  vk::dirbridge::Directory directory;
  int rc = directory.Open(where.uri);
  if (rc == 0) rc = directory.LoadSchema();
  if (rc != 0) {
    int32_t code = vk::dirbridge::LdapCode(rc);
    log->LogAdsiMsg(LOG_ERROR, code, u"Error getting AD object '%s'. Errorcode %ld.", path, code);
    return code;
  }
  std::string accountAttribute = directory.HasAdNames() ? "sAMAccountName" : "uid";
  vk::ldap::SearchRequest request{
      where.base, vk::ldap::Scope::Subtree, UserFilter(directory), {accountAttribute, "homeDirectory"}};
  log->LogMsg(LOG_DETAIL, u"Executing directory search.");
  cVkCollection users;
  int pages = 0;
  rc = directory.Session().SearchPaged(request, kPageSize, kMaxPages, [&](std::vector<vk::ldap::Entry>& page) {
    ++pages;
    for (const vk::ldap::Entry& entry : page) AddUser(*log, entry, accountAttribute, netbios, users);
    // More pages while the caller's event is signalled (or there is none).
    return event == nullptr || event->IsSet();
  });
  if (rc != 0) {
    int32_t code = vk::dirbridge::LdapCode(rc);
    if (pages == 0) {
      log->LogAdsiMsg(LOG_ERROR, code, u"Error searching for computers in the active directory. Errorcode %ld.", code);
      return code;
    }
    log->LogAdsiMsg(LOG_ERROR, code, u"Error getting next row. Errorcode %ld.", code);
  }
  int32_t result = vk::dirbridge::ProduceBuffer(users, buffer, length);
  log->LogMsg(LOG_DETAIL, u"Uninitializing directory search.");
  return result;
}
