#include "platform/ldap/kerberos_ticket.h"

#include <krb5.h>

namespace vk::ldap {

namespace {

// A ticket of the cache that is still valid (the cache's configuration
// entries are no tickets).
bool HoldsValidTicket(krb5_context context, krb5_ccache cache) {
  krb5_principal owner = nullptr;
  if (krb5_cc_get_principal(context, cache, &owner) != 0) return false;
  krb5_free_principal(context, owner);
  krb5_timestamp now = 0;
  if (krb5_timeofday(context, &now) != 0) return false;
  krb5_cc_cursor cursor = nullptr;
  if (krb5_cc_start_seq_get(context, cache, &cursor) != 0) return false;
  bool valid = false;
  krb5_creds creds;
  while (!valid && krb5_cc_next_cred(context, cache, &cursor, &creds) == 0) {
    valid = !krb5_is_config_principal(context, creds.server) && creds.times.endtime > now;
    krb5_free_cred_contents(context, &creds);
  }
  krb5_cc_end_seq_get(context, cache, &cursor);
  return valid;
}

}  // namespace

bool HoldsKerberosTicket() {
  krb5_context context = nullptr;
  if (krb5_init_context(&context) != 0) return false;
  krb5_ccache cache = nullptr;
  bool held = false;
  if (krb5_cc_default(context, &cache) == 0) {
    held = HoldsValidTicket(context, cache);
    krb5_cc_close(context, cache);
  }
  krb5_free_context(context);
  return held;
}

}  // namespace vk::ldap
