// Where the directory is and how its answers are read: directory paths,
// domain names and distinguished names, the bound session with the server's
// schema, and the text of a value.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "platform/ldap/ldap_connection.h"
#include "platform/ldap/ldap_schema.h"

namespace vk::dirbridge {

// The longest value taken from a directory answer, in UTF-16 units.
inline constexpr size_t kMaxValueChars = 32767;
// Column not set / property not found, as the directory interfaces number them.
inline constexpr int32_t kPropertyNotFound = static_cast<int32_t>(0x8000500Du);

// A libldap code in the system's numbering: server result codes as they are,
// client-side failures as their Win32 directory codes (never negative).
int32_t LdapCode(int rc);

struct DirectoryPath {
  std::string uri;   // empty: the directory of ldap.conf
  std::string base;  // empty: the directory's default naming context
};

// "LDAP://host[:port]/DN", "LDAP://DN" (on the configured directory) or
// "LDAP://dns.domain" (that domain on the configured directory).
DirectoryPath ParsePath(std::u16string_view path);
// corp.example -> DC=corp,DC=example
std::string DnFromDomain(std::string_view domain);
// DC=corp,DC=example -> corp.example; empty when the DN has no DC parts.
std::string DomainFromDn(std::string_view dn);
// The domain's short name: its first label, upper-cased.
std::u16string NetbiosNameOf(std::string_view domainOrDn);

// A value of an entry as text: a missing attribute gives an empty text and
// 0; a value longer than kMaxValueChars gives ERROR_INSUFFICIENT_BUFFER.
int32_t ValueText(const ldap::Entry& entry, std::string_view attribute, std::u16string& text);

// An open, bound session with what the server says about itself.
class Directory {
 public:
  // Opens and binds: by SASL GSSAPI when the user holds a Kerberos ticket
  // and the server takes it, else simply with the process's credentials,
  // else anonymously. Answers the libldap code.
  int Open(const std::string& uri);
  // Binds a session opened through Session().Open.
  int Bind();
  // Reads the root DSE and the subschema; answers the libldap code.
  int LoadSchema();
  ldap::Connection& Session() { return connection_; }
  const ldap::RootDse& Root() const { return rootDse_; }
  const ldap::Schema& Schema() const { return schema_; }
  // The root DSE's default naming context, else ldap.conf's BASE (for the
  // directory ldap.conf names), else the first naming context.
  std::string DefaultBase() const;
  // Active Directory's names, or the standard ones of other directories.
  bool HasAdNames() const { return schema_.HasAttribute("sAMAccountName"); }
  // The first candidate attribute the server knows; empty when none.
  std::string PickAttribute(std::initializer_list<const char*> candidates) const;
  // The first candidate object class the server knows; empty when none.
  std::string PickClass(std::initializer_list<const char*> candidates) const;
  // A search's answer as the caller reports it: a naming context that the
  // root DSE lists but that an anonymous session is told does not exist is
  // hidden from anonymous users, which is insufficient access.
  int AccessAnswer(int rc, const std::string& base) const;
  // The text of a libldap code, with the server's diagnostic.
  std::string ErrorText(int rc) const { return connection_.ErrorText(rc); }

 private:
  ldap::Connection connection_;
  ldap::RootDse rootDse_;
  ldap::Schema schema_;
  bool configured_ = false;  // the directory of ldap.conf
  bool anonymous_ = false;   // bound without an account
};

}  // namespace vk::dirbridge
