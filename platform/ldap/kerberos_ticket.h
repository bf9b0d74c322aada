// Whether this process's user holds a Kerberos ticket: the credentials
// cache that KRB5CCNAME names (else the default one) has a principal and a
// ticket that has not expired. Nothing is asked of the user or the KDC.
#pragma once

namespace vk::ldap {

bool HoldsKerberosTicket();

}  // namespace vk::ldap
