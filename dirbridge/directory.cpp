#include "dirbridge/directory.h"

#include <cctype>

#include "dirbridge/credentials.h"
#include "platform/core/error_codes.h"
#include "platform/core/text.h"
#include "platform/ldap/kerberos_ticket.h"
#include "platform/ldap/ldap_discovery.h"

namespace vk::dirbridge {

namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && ldap::SameName(text.substr(0, prefix.size()), prefix);
}

std::string Upper(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return upper;
}

}  // namespace

int32_t LdapCode(int rc) { return ldap::SystemCode(rc); }

DirectoryPath ParsePath(std::u16string_view path) {
  std::string text = ToUtf8(path);
  if (StartsWithNoCase(text, "LDAP://")) text.erase(0, 7);
  DirectoryPath parsed;
  size_t slash = text.find('/');
  if (slash != std::string::npos) {
    parsed.uri = "ldap://" + text.substr(0, slash) + "/";
    parsed.base = text.substr(slash + 1);
  } else if (text.find('=') != std::string::npos) {
    parsed.base = text;
  } else if (!text.empty()) {
    parsed.base = DnFromDomain(text);
  }
  return parsed;
}

std::string DnFromDomain(std::string_view domain) {
  std::string dn;
  size_t start = 0;
  while (start <= domain.size()) {
    size_t dot = domain.find('.', start);
    if (dot == std::string_view::npos) dot = domain.size();
    if (dot > start) {
      if (!dn.empty()) dn += ',';
      dn += "DC=";
      dn += domain.substr(start, dot - start);
    }
    start = dot + 1;
  }
  return dn;
}

std::string DomainFromDn(std::string_view dn) {
  std::string domain;
  size_t start = 0;
  while (start < dn.size()) {
    size_t comma = dn.find(',', start);
    if (comma == std::string_view::npos) comma = dn.size();
    std::string_view part = dn.substr(start, comma - start);
    while (!part.empty() && part.front() == ' ') part.remove_prefix(1);
    if (StartsWithNoCase(part, "DC=")) {
      if (!domain.empty()) domain += '.';
      domain += part.substr(3);
    }
    start = comma + 1;
  }
  return domain;
}

std::u16string NetbiosNameOf(std::string_view domainOrDn) {
  std::string domain =
      domainOrDn.find('=') != std::string_view::npos ? DomainFromDn(domainOrDn) : std::string(domainOrDn);
  return FromUtf8(Upper(domain.substr(0, domain.find('.'))));
}

int32_t ValueText(const ldap::Entry& entry, std::string_view attribute, std::u16string& text) {
  text.clear();
  if (attribute.empty()) return 0;
  std::string value = entry.First(attribute);
  // Checked before converting: a UTF-8 byte gives at most one UTF-16 unit.
  if (value.size() > kMaxValueChars * 3) return ERROR_INSUFFICIENT_BUFFER;
  std::u16string converted = FromUtf8(value);
  if (converted.size() > kMaxValueChars) return ERROR_INSUFFICIENT_BUFFER;
  text = std::move(converted);
  return 0;
}

namespace {

// ldap.conf's directory (an empty URI), else the one the SRV records of
// this computer's DNS domain name.
std::string ConfiguredOrDiscoveredUri() {
  std::string uri, base;
  ldap::Connection::ConfiguredDirectory(uri, base);
  if (!uri.empty()) return {};
  return ldap::DiscoverDirectoryUris(ldap::ComputerDnsDomain());
}

}  // namespace

int Directory::Open(const std::string& uri) {
  configured_ = uri.empty();
  int rc = connection_.Open(uri.empty() ? ConfiguredOrDiscoveredUri() : uri);
  return rc != 0 ? rc : Bind();
}

int Directory::Bind() {
  // Never a bind in clear where the server offers TLS.
  if (int rc = connection_.SecureSession(); rc != 0) return rc;
  // The user's Kerberos ticket first; a directory that does not take it
  // (no GSSAPI, an unknown realm) still gets the binds below.
  if (ldap::HoldsKerberosTicket() && connection_.BindGssapi() == 0) return 0;
  std::string who;
  std::string password;
  CurrentCredentials(who, password);
  int rc = connection_.Bind(who, password);
  anonymous_ = who.empty();
  WipeText(password);
  return rc;
}

int Directory::LoadSchema() {
  int rc = ldap::ReadRootDse(connection_, rootDse_);
  if (rc != 0) return rc;
  std::string subschema = rootDse_.subschemaSubentry.empty() ? "cn=Subschema" : rootDse_.subschemaSubentry;
  return ldap::ReadSchema(connection_, subschema, schema_);
}

std::string Directory::DefaultBase() const {
  if (!rootDse_.defaultNamingContext.empty()) return rootDse_.defaultNamingContext;
  std::string configured = configured_ ? connection_.DefaultBase() : std::string();
  if (!configured.empty()) return configured;
  return rootDse_.namingContexts.empty() ? std::string() : rootDse_.namingContexts.front();
}

int Directory::AccessAnswer(int rc, const std::string& base) const {
  constexpr int kNoSuchObject = 32;
  constexpr int kInsufficientAccess = 50;
  if (rc != kNoSuchObject || !anonymous_) return rc;
  for (const std::string& context : rootDse_.namingContexts)
    if (ldap::SameName(context, base)) return kInsufficientAccess;
  return rc;
}

std::string Directory::PickAttribute(std::initializer_list<const char*> candidates) const {
  for (const char* name : candidates)
    if (schema_.HasAttribute(name)) return name;
  return {};
}

std::string Directory::PickClass(std::initializer_list<const char*> candidates) const {
  for (const char* name : candidates)
    if (schema_.HasClass(name)) return name;
  return {};
}

}  // namespace vk::dirbridge
