#include "platform/ldap/ldap_connection.h"

#include <lber.h>
#include <ldap.h>
#include <sasl/sasl.h>
#include <string.h>
#include <strings.h>
#include <sys/time.h>

#include "platform/core/error_codes.h"

namespace vk::ldap {

namespace {

LDAP* Handle(void* ld) { return static_cast<LDAP*>(ld); }

timeval ToTimeval(std::chrono::milliseconds timeout) {
  timeval tv{};
  tv.tv_sec = static_cast<time_t>(timeout.count() / 1000);
  tv.tv_usec = static_cast<suseconds_t>((timeout.count() % 1000) * 1000);
  return tv;
}

int ToLdapScope(Scope scope) {
  switch (scope) {
    case Scope::Base:
      return LDAP_SCOPE_BASE;
    case Scope::OneLevel:
      return LDAP_SCOPE_ONELEVEL;
    case Scope::Subtree:
      break;
  }
  return LDAP_SCOPE_SUBTREE;
}

// The attribute list as libldap takes it; null for "all user attributes".
class AttributeList {
 public:
  explicit AttributeList(const std::vector<std::string>& names) {
    for (const std::string& name : names) pointers_.push_back(const_cast<char*>(name.c_str()));
    pointers_.push_back(nullptr);
  }
  char** Get() { return pointers_.size() > 1 ? pointers_.data() : nullptr; }

 private:
  std::vector<char*> pointers_;
};

// The time-out that ldap.conf (TIMEOUT) gives, or zero when it sets none.
std::chrono::milliseconds ConfiguredTimeout(LDAP* ld) {
  timeval* tv = nullptr;
  if (ldap_get_option(ld, LDAP_OPT_TIMEOUT, &tv) != LDAP_OPT_SUCCESS || tv == nullptr) return {};
  std::chrono::milliseconds configured(static_cast<int64_t>(tv->tv_sec) * 1000 + tv->tv_usec / 1000);
  ldap_memfree(tv);
  return configured.count() > 0 ? configured : std::chrono::milliseconds{};
}

std::vector<std::string> CopyValues(berval** values) {
  std::vector<std::string> copies;
  if (values == nullptr) return copies;
  for (berval** v = values; *v != nullptr; ++v) copies.emplace_back((*v)->bv_val, (*v)->bv_len);
  return copies;
}

Entry ReadEntry(LDAP* ld, LDAPMessage* message) {
  Entry entry;
  if (char* dn = ldap_get_dn(ld, message)) {
    entry.dn = dn;
    ldap_memfree(dn);
  }
  BerElement* ber = nullptr;
  for (char* name = ldap_first_attribute(ld, message, &ber); name != nullptr;
       name = ldap_next_attribute(ld, message, ber)) {
    berval** values = ldap_get_values_len(ld, message, name);
    entry.attributes.push_back(Attribute{name, CopyValues(values)});
    ldap_value_free_len(values);
    ldap_memfree(name);
  }
  if (ber != nullptr) ber_free(ber, 0);
  return entry;
}

// GSSAPI asks at most for an authorisation identity: the default (none,
// that is the ticket's own) is answered; nothing is ever asked of the user.
int AnswerWithDefaults(LDAP*, unsigned, void*, void* prompts) {
  for (auto* prompt = static_cast<sasl_interact_t*>(prompts); prompt->id != SASL_CB_LIST_END; ++prompt) {
    const char* answer = prompt->defresult != nullptr ? prompt->defresult : "";
    prompt->result = answer;
    prompt->len = static_cast<unsigned>(strlen(answer));
  }
  return LDAP_SUCCESS;
}

}  // namespace

const std::vector<std::string>* Entry::Find(std::string_view name) const {
  for (const Attribute& attribute : attributes) {
    if (attribute.name.size() == name.size() && strncasecmp(attribute.name.data(), name.data(), name.size()) == 0)
      return &attribute.values;
  }
  return nullptr;
}

std::string Entry::First(std::string_view name) const {
  const std::vector<std::string>* values = Find(name);
  return values == nullptr || values->empty() ? std::string() : values->front();
}

int32_t SystemCode(int rc) {
  if (rc >= 0) return rc;
  switch (rc) {
    case LDAP_SERVER_DOWN:
      return 8250;  // ERROR_DS_SERVER_DOWN
    case LDAP_LOCAL_ERROR:
      return 8251;  // ERROR_DS_LOCAL_ERROR
    case LDAP_ENCODING_ERROR:
      return 8252;
    case LDAP_DECODING_ERROR:
      return 8253;
    case LDAP_TIMEOUT:
      return ERROR_TIMEOUT;
    case LDAP_AUTH_UNKNOWN:
      return 8234;  // ERROR_DS_AUTH_UNKNOWN
    case LDAP_FILTER_ERROR:
      return 8254;
    case LDAP_USER_CANCELLED:
      return ERROR_OPERATION_ABORTED;
    case LDAP_PARAM_ERROR:
      return 8255;
    case LDAP_NO_MEMORY:
      return ERROR_NOT_ENOUGH_MEMORY;
    case LDAP_CONNECT_ERROR:
      return 8261;  // ERROR_DS_CANT_CONNECT (not an AD code: "connect error")
    case LDAP_NOT_SUPPORTED:
      return 8256;
    case LDAP_CONTROL_NOT_FOUND:
      return 8258;
    case LDAP_NO_RESULTS_RETURNED:
      return 8257;
    case LDAP_CLIENT_LOOP:
      return 8259;
    case LDAP_REFERRAL_LIMIT_EXCEEDED:
      return 8260;
    default:
      return ERROR_GEN_FAILURE;
  }
}

Connection::~Connection() { Close(); }

int Connection::Open(const std::string& uri) {
  Close();
  LDAP* ld = nullptr;
  int rc = ldap_initialize(&ld, uri.empty() ? nullptr : uri.c_str());
  if (rc != LDAP_SUCCESS) return rc;
  ld_ = ld;
  int version = LDAP_VERSION3;
  ldap_set_option(ld, LDAP_OPT_PROTOCOL_VERSION, &version);
  ldap_set_option(ld, LDAP_OPT_REFERRALS, LDAP_OPT_OFF);
  if (auto configured = ConfiguredTimeout(ld); configured.count() > 0) timeout_ = configured;
  timeval* network = nullptr;
  if (ldap_get_option(ld, LDAP_OPT_NETWORK_TIMEOUT, &network) == LDAP_OPT_SUCCESS && network != nullptr) {
    ldap_memfree(network);
  } else {
    timeval tv = ToTimeval(timeout_);
    ldap_set_option(ld, LDAP_OPT_NETWORK_TIMEOUT, &tv);
  }
  return LDAP_SUCCESS;
}

int Connection::Bind(const std::string& who, const std::string& password) {
  if (ld_ == nullptr) return LDAP_PARAM_ERROR;
  berval credentials{static_cast<ber_len_t>(password.size()), const_cast<char*>(password.data())};
  int messageId = 0;
  int rc = ldap_sasl_bind(Handle(ld_), who.empty() ? nullptr : who.c_str(), LDAP_SASL_SIMPLE, &credentials, nullptr,
                          nullptr, &messageId);
  if (rc != LDAP_SUCCESS) return rc;
  LDAPMessage* result = nullptr;
  rc = WaitForResult(messageId, reinterpret_cast<void**>(&result));
  if (rc != LDAP_SUCCESS) return rc;
  int answer = LDAP_OTHER;
  rc = ldap_parse_result(Handle(ld_), result, &answer, nullptr, nullptr, nullptr, nullptr, 1);
  return rc != LDAP_SUCCESS ? rc : answer;
}

int Connection::BindGssapi() {
  if (ld_ == nullptr) return LDAP_PARAM_ERROR;
  LDAPMessage* answer = nullptr;
  const char* mechanism = nullptr;
  int messageId = 0;
  for (;;) {
    int rc = ldap_sasl_interactive_bind(Handle(ld_), nullptr, "GSSAPI", nullptr, nullptr, LDAP_SASL_QUIET,
                                        AnswerWithDefaults, nullptr, answer, &mechanism, &messageId);
    ldap_msgfree(answer);
    answer = nullptr;
    if (rc != LDAP_SASL_BIND_IN_PROGRESS) return rc;
    // Each step of the exchange waits for the server no longer than any other request.
    rc = WaitForResult(messageId, reinterpret_cast<void**>(&answer));
    if (rc != LDAP_SUCCESS) return rc;
  }
}

int Connection::WhoAmI(std::string& identity) {
  identity.clear();
  if (ld_ == nullptr) return LDAP_PARAM_ERROR;
  int messageId = 0;
  int rc = ldap_whoami(Handle(ld_), nullptr, nullptr, &messageId);
  if (rc != LDAP_SUCCESS) return rc;
  LDAPMessage* result = nullptr;
  rc = WaitForResult(messageId, reinterpret_cast<void**>(&result));
  if (rc != LDAP_SUCCESS) return rc;
  berval* authzid = nullptr;
  rc = ldap_parse_whoami(Handle(ld_), result, &authzid);
  ldap_msgfree(result);
  if (authzid != nullptr) {
    identity.assign(authzid->bv_val, authzid->bv_len);
    ber_bvfree(authzid);
  }
  return rc;
}

int Connection::WaitForResult(int messageId, void** result) {
  timeval tv = ToTimeval(timeout_);
  LDAPMessage* message = nullptr;
  int rc = ldap_result(Handle(ld_), messageId, LDAP_MSG_ALL, &tv, &message);
  if (rc == 0) {
    // The server did not answer in time: give the request up.
    ldap_abandon_ext(Handle(ld_), messageId, nullptr, nullptr);
    return LDAP_TIMEOUT;
  }
  if (rc < 0) {
    int code = LDAP_OTHER;
    ldap_get_option(Handle(ld_), LDAP_OPT_RESULT_CODE, &code);
    return code != LDAP_SUCCESS ? code : LDAP_OTHER;
  }
  *result = message;
  return LDAP_SUCCESS;
}

int Connection::CollectEntries(void* result, std::vector<Entry>& entries) {
  LDAP* ld = Handle(ld_);
  LDAPMessage* all = static_cast<LDAPMessage*>(result);
  for (LDAPMessage* e = ldap_first_entry(ld, all); e != nullptr; e = ldap_next_entry(ld, e))
    entries.push_back(ReadEntry(ld, e));
  return LDAP_SUCCESS;
}

int Connection::Search(const SearchRequest& request, std::vector<Entry>& entries) {
  return SearchPaged(request, 0, 1, [&entries](std::vector<Entry>& page) {
    for (Entry& entry : page) entries.push_back(std::move(entry));
    return false;
  });
}

int Connection::SearchPaged(const SearchRequest& request, int pageSize, int maxPages, const PageHandler& onPage) {
  if (ld_ == nullptr) return LDAP_PARAM_ERROR;
  LDAP* ld = Handle(ld_);
  AttributeList attributes(request.attributes);
  berval cookie{0, nullptr};
  int outcome = LDAP_SUCCESS;
  for (int page = 0; page < maxPages; ++page) {
    LDAPControl* pageControl = nullptr;
    if (pageSize > 0) {
      outcome = ldap_create_page_control(ld, pageSize, &cookie, 0, &pageControl);
      if (outcome != LDAP_SUCCESS) break;
    }
    LDAPControl* controls[] = {pageControl, nullptr};
    timeval limit = ToTimeval(timeout_);
    int messageId = 0;
    outcome =
        ldap_search_ext(ld, request.base.c_str(), ToLdapScope(request.scope), request.filter.c_str(), attributes.Get(),
                        0, pageControl ? controls : nullptr, nullptr, &limit, LDAP_NO_LIMIT, &messageId);
    if (pageControl != nullptr) ldap_control_free(pageControl);
    if (outcome != LDAP_SUCCESS) break;
    LDAPMessage* result = nullptr;
    outcome = WaitForResult(messageId, reinterpret_cast<void**>(&result));
    if (outcome != LDAP_SUCCESS) break;
    std::vector<Entry> entries;
    CollectEntries(result, entries);
    int answer = LDAP_OTHER;
    LDAPControl** returned = nullptr;
    outcome = ldap_parse_result(ld, result, &answer, nullptr, nullptr, nullptr, &returned, 1);
    if (outcome == LDAP_SUCCESS) outcome = answer;
    ber_memfree(cookie.bv_val);
    cookie = berval{0, nullptr};
    if (outcome == LDAP_SUCCESS && pageSize > 0 && returned != nullptr) {
      LDAPControl* response = ldap_control_find(LDAP_CONTROL_PAGEDRESULTS, returned, nullptr);
      ber_int_t estimate = 0;
      if (response != nullptr) ldap_parse_pageresponse_control(ld, response, &estimate, &cookie);
    }
    ldap_controls_free(returned);
    if (outcome != LDAP_SUCCESS) break;
    bool more = cookie.bv_len > 0;
    bool goOn = onPage(entries);
    if (!more || !goOn) break;
  }
  ber_memfree(cookie.bv_val);
  return outcome;
}

bool Connection::UsesLdaps() const {
  char* uri = nullptr;
  if (ldap_get_option(Handle(ld_), LDAP_OPT_URI, &uri) != LDAP_OPT_SUCCESS || uri == nullptr) return false;
  bool ldaps = strncasecmp(uri, "ldaps://", 8) == 0;
  ldap_memfree(uri);
  return ldaps;
}

int Connection::SecureSession() {
  if (ld_ == nullptr) return LDAP_PARAM_ERROR;
  if (UsesLdaps() || ldap_tls_inplace(Handle(ld_))) return LDAP_SUCCESS;
  int rc = ldap_start_tls_s(Handle(ld_), nullptr, nullptr);
  // A server that answers the request with a refusal offers no TLS and the
  // session goes on in clear; a failed handshake (a client code) ends it.
  return rc > 0 ? LDAP_SUCCESS : rc;
}

int Connection::Close() {
  if (ld_ == nullptr) return LDAP_SUCCESS;
  int rc = ldap_unbind_ext_s(Handle(ld_), nullptr, nullptr);
  ld_ = nullptr;
  return rc;
}

std::string Connection::ErrorText(int code) const {
  std::string text = ldap_err2string(code);
  if (ld_ == nullptr) return text;
  char* diagnostic = nullptr;
  if (ldap_get_option(Handle(ld_), LDAP_OPT_DIAGNOSTIC_MESSAGE, &diagnostic) == LDAP_OPT_SUCCESS &&
      diagnostic != nullptr) {
    if (*diagnostic != '\0') text += std::string(" (") + diagnostic + ")";
    ldap_memfree(diagnostic);
  }
  return text;
}

std::string Connection::DefaultBase() const {
  char* base = nullptr;
  if (ldap_get_option(Handle(ld_), LDAP_OPT_DEFBASE, &base) != LDAP_OPT_SUCCESS || base == nullptr) return {};
  std::string copy = base;
  ldap_memfree(base);
  return copy;
}

void Connection::ConfiguredDirectory(std::string& uri, std::string& base) {
  uri.clear();
  base.clear();
  LDAP* ld = nullptr;
  if (ldap_initialize(&ld, nullptr) != LDAP_SUCCESS || ld == nullptr) return;
  for (auto [option, text] : {std::pair{LDAP_OPT_URI, &uri}, std::pair{LDAP_OPT_DEFBASE, &base}}) {
    char* value = nullptr;
    if (ldap_get_option(ld, option, &value) == LDAP_OPT_SUCCESS && value != nullptr) {
      *text = value;
      ldap_memfree(value);
    }
  }
  ldap_unbind_ext_s(ld, nullptr, nullptr);
  // libldap's own default when nothing names a directory.
  if (uri == "ldap://localhost:389/??base") uri.clear();
}

std::string Connection::EscapeFilterValue(std::string_view value) {
  static const char kHex[] = "0123456789abcdef";
  std::string escaped;
  escaped.reserve(value.size());
  for (char c : value) {
    if (c == '*' || c == '(' || c == ')' || c == '\\' || c == '\0') {
      unsigned char u = static_cast<unsigned char>(c);
      escaped += '\\';
      escaped += kHex[u >> 4];
      escaped += kHex[u & 0xF];
    } else {
      escaped += c;
    }
  }
  return escaped;
}

}  // namespace vk::ldap
