// Shared by DirBridge's test files: the Active Directory-like server that
// ldap.conf names, and a look into a log's messages.
#pragma once

#include <string>

#include "dirbridge/tests/slapd_server.h"
#include "dirbridge/tests/test_ca.h"
#include "log/orklog.h"

namespace vk::testing {

// Started once for the test program; the directory ldap.conf names.
SlapdServer& DirectoryServer();
// The authority that ldap.conf's TLS_CACERT names.
TestCertificates& DirectoryCertificates();

inline std::u16string LogText(cOrkLog& log) {
  char16_t* all = nullptr;
  log.ComposeSingleMemoryMessage(&all, LOG_ALL);
  std::u16string text = all != nullptr ? all : u"";
  log.ReleaseMemoryMessage(all);
  return text;
}

inline bool Logged(cOrkLog& log, const std::u16string& text) { return LogText(log).find(text) != std::u16string::npos; }

}  // namespace vk::testing
