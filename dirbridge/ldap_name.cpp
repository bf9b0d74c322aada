// GetLDAPName: the distinguished name of an account.
#include "dirbridge/directory.h"
#include "dirbridge/dirbridge.h"
#include "dirbridge/result_buffer.h"
#include "log/orklog.h"
#include "platform/core/error_codes.h"
#include "platform/core/text.h"

namespace {

void LogInitFailure(cOrkLog& log, const std::u16string& server, const std::u16string& domain, int32_t code) {
  if (!server.empty())
    log.LogAdsiMsg(LOG_ERROR, code, u"Error initializing the name translation with server '%s'. Errorcode %ld.", server,
                   code);
  else if (!domain.empty())
    log.LogAdsiMsg(LOG_ERROR, code, u"Error initializing the name translation with domain '%s'. Errorcode %ld.", domain,
                   code);
  else
    log.LogAdsiMsg(LOG_ERROR, code, u"Error initializing the name translation with global catalog. Errorcode %ld.",
                   code);
}

}  // namespace

extern "C" int32_t GetLDAPName(cOrkLog* log, const char16_t* server, const char16_t* domain, const char16_t* name,
                               char16_t** text) {
  *text = nullptr;
  std::u16string serverText = server != nullptr ? server : u"";
  std::u16string domainText = domain != nullptr ? domain : u"";
  std::u16string account = name != nullptr ? name : u"";
  vk::dirbridge::Directory directory;
  int rc = directory.Open(serverText.empty() ? std::string() : "ldap://" + vk::ToUtf8(serverText) + "/");
  if (rc == 0) rc = directory.LoadSchema();
  if (rc != 0) {
    LogInitFailure(*log, serverText, domainText, vk::dirbridge::LdapCode(rc));
    return vk::dirbridge::LdapCode(rc);
  }
  // A DNS domain names its own naming context; a short (NetBIOS) one is the
  // directory's own domain.
  std::string domainUtf8 = vk::ToUtf8(domainText);
  std::string base =
      domainUtf8.find('.') != std::string::npos ? vk::dirbridge::DnFromDomain(domainUtf8) : directory.DefaultBase();
  std::string attribute = directory.HasAdNames() ? "sAMAccountName" : "uid";
  std::vector<vk::ldap::Entry> entries;
  int32_t code = ERROR_INVALID_PARAMETER;
  if (!account.empty()) {
    std::string filter = "(" + attribute + "=" + vk::ldap::Connection::EscapeFilterValue(vk::ToUtf8(account)) + ")";
    code = vk::dirbridge::LdapCode(
        directory.Session().Search({base, vk::ldap::Scope::Subtree, filter, {"objectClass"}}, entries));
  }
  if (code != 0) {
    log->LogAdsiMsg(LOG_ERROR, code, u"Error setting '%s' for translation. Errorcode %ld.", account, code);
    return code;
  }
  // Exactly one account answers the name, or there is no translation.
  if (entries.size() != 1) {
    log->LogAdsiMsg(LOG_ERROR, ERROR_NONE_MAPPED, u"Error getting translated name. Errorcode %ld.", ERROR_NONE_MAPPED);
    return ERROR_NONE_MAPPED;
  }
  *text = vk::dirbridge::CopyText(vk::FromUtf8(entries.front().dn));
  return *text != nullptr ? 0 : ERROR_NOT_ENOUGH_MEMORY;
}
