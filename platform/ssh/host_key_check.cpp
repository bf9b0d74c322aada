// Host keys against the known-hosts file, as ssh checks them.
#include <cstdlib>
#include <fstream>

#include "platform/core/error_codes.h"
#include "platform/core/text.h"
#include "platform/ssh/ssh_errors.h"
#include "platform/ssh/ssh_session_impl.h"

namespace vk::ssh {
namespace {

struct ServerKey {
  std::string type;
  std::string fingerprint;  // "SHA256:..."
};

int32_t ReadServerKey(SshSession::Impl& impl, ServerKey& out) {
  ssh_key key = nullptr;
  if (ssh_get_server_publickey(impl.session, &key) != SSH_OK) {
    return impl.FailSsh(kHostKeyFailure, "Host key verification failed: no host key");
  }
  unsigned char* hash = nullptr;
  size_t length = 0;
  int rc = ssh_get_publickey_hash(key, SSH_PUBLICKEY_HASH_SHA256, &hash, &length);
  out.type = ssh_key_type_to_char(ssh_key_type(key));
  ssh_key_free(key);
  if (rc != SSH_OK) return impl.FailSsh(kHostKeyFailure, "Host key verification failed: no key hash");
  char* text = ssh_get_fingerprint_hash(SSH_PUBLICKEY_HASH_SHA256, hash, length);
  ssh_clean_pubkey_hash(&hash);
  if (text == nullptr) return impl.FailSsh(kHostKeyFailure, "Host key verification failed: no fingerprint");
  out.fingerprint = text;
  ssh_string_free_char(text);
  return 0;
}

std::string KnownHostsPath(const std::string& configured) {
  if (!configured.empty()) return configured;
  const char* home = std::getenv("HOME");
  return std::string(home != nullptr ? home : "") + "/.ssh/known_hosts";
}

// The name known_hosts records for the server: "host", or "[host]:port".
std::string RecordedName(ssh_session session, const std::string& host) {
  unsigned int port = 22;
  ssh_options_get_port(session, &port);
  return port == 22 ? host : "[" + host + "]:" + std::to_string(port);
}

// Line number (from 1) of the first entry for `name` (hashed names too), 0
// when there is none.
size_t LineOfHost(const std::string& file, const std::string& name) {
  std::ifstream in(file);
  std::string line;
  for (size_t number = 1; std::getline(in, line); ++number) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    ssh_knownhosts_entry* entry = nullptr;
    int rc = ssh_known_hosts_parse_line(name.c_str(), line.c_str(), &entry);
    ssh_knownhosts_entry_free(entry);
    if (rc == SSH_OK) return number;
  }
  return 0;
}

int32_t RefuseChangedKey(SshSession::Impl& impl, const ServerKey& key, const std::string& file) {
  size_t line = LineOfHost(file, RecordedName(impl.session, impl.host));
  std::string where = file + (line != 0 ? " line " + std::to_string(line) : std::string());
  return impl.Fail(kHostKeyFailure,
                   FromUtf8("Host key verification failed: the host key of '" + impl.host + "' has changed (" +
                            key.type + " " + key.fingerprint + "); the key recorded in " + where +
                            " differs. Remove that entry only if you know why the key changed."));
}

int32_t AskAboutUnknownKey(SshSession::Impl& impl, const ServerKey& key, HostKeyQuestion* question) {
  bool accepted = question != nullptr &&
                  question->AcceptUnknownHostKey(FromUtf8(impl.host), FromUtf8(key.type), FromUtf8(key.fingerprint));
  if (!accepted) {
    return impl.Fail(kHostKeyFailure,
                     FromUtf8("Host key verification failed: the host key of '" + impl.host + "' (" + key.type + " " +
                              key.fingerprint + ") is not known and was not accepted"));
  }
  if (ssh_session_update_known_hosts(impl.session) != SSH_OK) {
    return impl.FailSsh(ERROR_CANTWRITE, "The accepted host key could not be recorded");
  }
  return 0;
}

}  // namespace

int32_t VerifyHostKey(SshSession::Impl& impl, const std::string& knownHostsFile, HostKeyQuestion* question) {
  ServerKey key;
  if (int32_t rc = ReadServerKey(impl, key); rc != 0) return rc;
  switch (ssh_session_is_known_server(impl.session)) {
    case SSH_KNOWN_HOSTS_OK:
      return 0;
    case SSH_KNOWN_HOSTS_CHANGED:
    case SSH_KNOWN_HOSTS_OTHER:
      return RefuseChangedKey(impl, key, KnownHostsPath(knownHostsFile));
    case SSH_KNOWN_HOSTS_UNKNOWN:
    case SSH_KNOWN_HOSTS_NOT_FOUND:
      return AskAboutUnknownKey(impl, key, question);
    default:
      return impl.FailSsh(kHostKeyFailure, "Host key verification failed");
  }
}

}  // namespace vk::ssh
