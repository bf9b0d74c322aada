// One LDAP session over OpenLDAP's libldap: open, bind, search, close.
//
// Texts are UTF-8 as the protocol carries them. Results are LDAP result codes
// (0 success, positive server codes) or libldap's negative client codes
// (LDAP_SERVER_DOWN, LDAP_TIMEOUT, ...). Every wait for the server is bounded
// by the session's time-out, so a server that stops answering ends the call.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vk::ldap {

// A libldap code in the system's numbering: server result codes as they
// are, client-side failures as their Win32 directory codes (never negative).
int32_t SystemCode(int rc);

struct Attribute {
  std::string name;
  std::vector<std::string> values;
};

struct Entry {
  std::string dn;
  std::vector<Attribute> attributes;
  // The values of an attribute (names compare without regard to case), or
  // null when the entry does not carry it.
  const std::vector<std::string>* Find(std::string_view name) const;
  // The first value, or an empty text.
  std::string First(std::string_view name) const;
};

enum class Scope { Base, OneLevel, Subtree };

struct SearchRequest {
  std::string base;
  Scope scope = Scope::Subtree;
  std::string filter = "(objectClass=*)";
  std::vector<std::string> attributes;  // empty: all user attributes
};

// Called after each page of a paged search with that page's entries; answers
// whether to ask for the next page (only asked when the server has more).
using PageHandler = std::function<bool(std::vector<Entry>& page)>;

class Connection {
 public:
  Connection() = default;
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // Opens a session to `uri` ("ldap://host:port/"), or with an empty `uri`
  // to the directory that ldap.conf names (URI; LDAPCONF, LDAPRC and the
  // LDAP* variables honoured by libldap). Referrals are not chased.
  int Open(const std::string& uri);
  // A simple bind; an empty `who` and `password` bind anonymously.
  int Bind(const std::string& who, const std::string& password);
  // A SASL GSSAPI bind with the user's Kerberos ticket (never prompting:
  // without a ticket it fails locally, before anything is sent). The
  // service principal is ldap/HOST of the session's host, canonicalised as
  // ldap.conf (SASL_NOCANON) and krb5.conf say.
  int BindGssapi();
  // The identity the server gives this session ("dn:..." or "u:..."; empty
  // for an anonymous one).
  int WhoAmI(std::string& identity);
  int Search(const SearchRequest& request, std::vector<Entry>& entries);
  // A search in pages of `pageSize` entries (the simple paged results
  // control); at most `maxPages` pages are asked for.
  int SearchPaged(const SearchRequest& request, int pageSize, int maxPages, const PageHandler& onPage);
  // Protects a plain session with StartTLS unless the server refuses it;
  // ldaps:// sessions are protected already. The server's certificate is
  // checked against ldap.conf's TLS_CACERT, else the system's CA store.
  // Answers 0 when the session is protected or the server declined TLS,
  // else the code (a certificate that fails the check: LDAP_CONNECT_ERROR).
  int SecureSession();
  // Unbinds; answers the unbind's code.
  int Close();

  bool IsOpen() const { return ld_ != nullptr; }
  // The text of a code, with the server's diagnostic message when it gave one.
  std::string ErrorText(int code) const;
  // ldap.conf's BASE (empty when none is set).
  std::string DefaultBase() const;
  void SetTimeout(std::chrono::milliseconds timeout) { timeout_ = timeout; }

  // The URI and BASE of the directory that ldap.conf (and the LDAP*
  // variables) name, without contacting it; empty texts where none is set
  // (libldap's default, ldap://localhost/, counts as none).
  static void ConfiguredDirectory(std::string& uri, std::string& base);

  // Escapes a value for use inside a filter (RFC 4515).
  static std::string EscapeFilterValue(std::string_view value);

 private:
  int WaitForResult(int messageId, void** result);
  bool UsesLdaps() const;
  int CollectEntries(void* result, std::vector<Entry>& entries);

  void* ld_ = nullptr;  // LDAP*
  std::chrono::milliseconds timeout_{30000};
};

}  // namespace vk::ldap
