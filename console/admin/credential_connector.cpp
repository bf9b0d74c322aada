#include "console/admin/credential_connector.h"

#include <algorithm>

#include "platform/core/text.h"

namespace {

void Wipe(std::string& secret) {
  std::fill(secret.begin(), secret.end(), '\0');
  secret.clear();
}

}  // namespace

cVkCredentialConnector::cVkCredentialConnector(vk::ssh::SshTarget base, vk::ssh::HostKeyQuestion* question)
    : base_(std::move(base)), question_(question) {}

cVkCredentialConnector::~cVkCredentialConnector() {
  Wipe(base_.password);
  for (auto& [name, logon] : logons_) Wipe(logon.password);
}

std::u16string cVkCredentialConnector::Key(std::u16string_view computer) {
  std::u16string key(computer);
  for (char16_t& c : key) {
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  }
  return key;
}

void cVkCredentialConnector::SetLogon(std::u16string_view computer, std::u16string_view user,
                                      std::u16string_view password) {
  std::lock_guard<std::mutex> guard(lock_);
  Logon& logon = logons_[Key(computer)];
  Wipe(logon.password);
  logon.user = vk::ToUtf8(user);
  logon.password = vk::ToUtf8(password);
}

bool cVkCredentialConnector::HasLogon(std::u16string_view computer) const {
  std::lock_guard<std::mutex> guard(lock_);
  return logons_.count(Key(computer)) != 0;
}

vk::ssh::SshTarget cVkCredentialConnector::TargetFor(std::u16string_view computer) const {
  vk::ssh::SshTarget target = base_;
  std::lock_guard<std::mutex> guard(lock_);
  auto it = logons_.find(Key(computer));
  if (it != logons_.end()) {
    target.user = it->second.user;
    target.password = it->second.password;
  }
  return target;
}

int32_t cVkCredentialConnector::Open(std::u16string_view computer,
                                     std::unique_ptr<vk::remote::RemoteComputer>& computerOut,
                                     std::u16string& errorText) {
  vk::ssh::SshTarget target = TargetFor(computer);
  const int32_t rc = vk::remote::MakeSshConnector(target, question_)->Open(computer, computerOut, errorText);
  Wipe(target.password);
  return rc;
}

int32_t cVkCredentialConnector::OpenUnattended(std::u16string_view computer,
                                               std::unique_ptr<vk::remote::RemoteComputer>& computerOut,
                                               std::u16string& errorText, const vk::ManualResetEvent* cancel) {
  vk::ssh::SshTarget target = TargetFor(computer);
  const int32_t rc =
      vk::remote::MakeSshConnector(target, nullptr)->OpenUnattended(computer, computerOut, errorText, cancel);
  Wipe(target.password);
  return rc;
}
