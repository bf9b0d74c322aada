#include "platform/accounts/pam_logon.h"

#include <security/pam_appl.h>
#include <string.h>

#include <cstdlib>
#include <string>

#include "platform/accounts/account_lookup.h"
#include "platform/accounts/computer_name.h"
#include "platform/accounts/host_info.h"
#include "platform/core/error_codes.h"
#include "platform/core/text.h"

namespace vk {
namespace {

// A UTF-8 copy of a secret that is wiped when it goes.
class SecretText {
 public:
  explicit SecretText(std::u16string_view text) : text_(ToUtf8(text)) {}
  ~SecretText() { explicit_bzero(text_.data(), text_.size()); }
  SecretText(const SecretText&) = delete;
  SecretText& operator=(const SecretText&) = delete;
  const char* c_str() const { return text_.c_str(); }

 private:
  std::string text_;
};

struct Conversation {
  const char* user;
  const SecretText* password;
};

// Frees the replies handed out so far, wiping each first.
void DropReplies(pam_response* replies, int count) {
  for (int i = 0; i < count; ++i) {
    if (replies[i].resp) {
      explicit_bzero(replies[i].resp, strlen(replies[i].resp));
      free(replies[i].resp);
    }
  }
  free(replies);
}

// Answers password prompts with the password and name prompts with the user;
// informational messages need no answer.
int Converse(int count, const pam_message** messages, pam_response** out, void* data) {
  if (count <= 0 || count > PAM_MAX_NUM_MSG) return PAM_CONV_ERR;
  auto* conversation = static_cast<Conversation*>(data);
  auto* replies = static_cast<pam_response*>(calloc(static_cast<size_t>(count), sizeof(pam_response)));
  if (!replies) return PAM_BUF_ERR;
  for (int i = 0; i < count; ++i) {
    const char* answer = nullptr;
    switch (messages[i]->msg_style) {
      case PAM_PROMPT_ECHO_OFF:
        answer = conversation->password->c_str();
        break;
      case PAM_PROMPT_ECHO_ON:
        answer = conversation->user;
        break;
      case PAM_ERROR_MSG:
      case PAM_TEXT_INFO:
        continue;
      default:
        DropReplies(replies, i);
        return PAM_CONV_ERR;
    }
    replies[i].resp = strdup(answer);
    if (!replies[i].resp) {
      DropReplies(replies, i);
      return PAM_BUF_ERR;
    }
  }
  *out = replies;
  return PAM_SUCCESS;
}

int32_t Win32FromPam(int rc) {
  switch (rc) {
    case PAM_SUCCESS:
      return 0;
    case PAM_AUTH_ERR:
    case PAM_USER_UNKNOWN:
    case PAM_MAXTRIES:
    case PAM_CRED_INSUFFICIENT:
      return ERROR_LOGON_FAILURE;
    case PAM_ACCT_EXPIRED:
      return ERROR_ACCOUNT_EXPIRED;
    case PAM_NEW_AUTHTOK_REQD:
    case PAM_AUTHTOK_EXPIRED:
      return ERROR_PASSWORD_EXPIRED;
    case PAM_PERM_DENIED:
      return ERROR_ACCOUNT_RESTRICTION;
    default:
      return ERROR_NO_LOGON_SERVERS;
  }
}

bool IsLocalDomain(std::u16string_view domain) {
  if (domain.empty() || domain == u"." || IsLocalComputer(domain)) return true;
  std::u16string workgroup = ReadWorkgroup();
  if (domain.size() != workgroup.size()) return false;
  for (size_t i = 0; i < domain.size(); ++i) {
    char16_t c = domain[i];
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
    if (c != workgroup[i]) return false;
  }
  return true;
}

}  // namespace

int32_t LogonNetworkUser(std::u16string_view user, std::u16string_view domain, std::u16string_view password,
                         AccessToken* token) {
  std::u16string account =
      IsLocalDomain(domain) ? std::u16string(user) : std::u16string(domain) + u"\\" + std::u16string(user);
  std::string name = ToUtf8(account);
  if (user.empty() || name.find('\0') != std::string::npos) return ERROR_LOGON_FAILURE;
  SecretText secret(password);
  Conversation conversation{name.c_str(), &secret};
  pam_conv conv{Converse, &conversation};
  pam_handle_t* handle = nullptr;
  int rc = pam_start(kPamServiceName, name.c_str(), &conv, &handle);
  if (rc != PAM_SUCCESS) return Win32FromPam(rc);
  rc = pam_authenticate(handle, PAM_SILENT | PAM_DISALLOW_NULL_AUTHTOK);
  if (rc == PAM_SUCCESS) rc = pam_acct_mgmt(handle, PAM_SILENT | PAM_DISALLOW_NULL_AUTHTOK);
  pam_end(handle, rc);  // also wipes the password PAM kept as its item
  if (int32_t code = Win32FromPam(rc)) return code;
  // PAM knew the user; a token needs NSS to know it as well.
  return BuildTokenForUser(account, token) == 0 ? 0 : ERROR_LOGON_FAILURE;
}

}  // namespace vk
