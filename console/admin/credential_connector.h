// The console's way to its computers: SSH with the operator's own identity,
// or, for a computer the deployment wizard was given an account for, that
// user name and password. The account stays for the rest of the run, as a
// network connection made for the computer would.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/ssh/remote_computer.h"
#include "platform/ssh/ssh_target.h"

class cVkCredentialConnector : public vk::remote::RemoteConnector {
 public:
  cVkCredentialConnector(vk::ssh::SshTarget base, vk::ssh::HostKeyQuestion* question);
  ~cVkCredentialConnector() override;
  cVkCredentialConnector(const cVkCredentialConnector&) = delete;
  cVkCredentialConnector& operator=(const cVkCredentialConnector&) = delete;

  // Later connections to `computer` log on as `user` with `password`.
  void SetLogon(std::u16string_view computer, std::u16string_view user, std::u16string_view password);
  bool HasLogon(std::u16string_view computer) const;

  int32_t Open(std::u16string_view computer, std::unique_ptr<vk::remote::RemoteComputer>& computerOut,
               std::u16string& errorText) override;
  int32_t OpenUnattended(std::u16string_view computer, std::unique_ptr<vk::remote::RemoteComputer>& computerOut,
                         std::u16string& errorText, const vk::ManualResetEvent* cancel) override;

 private:
  // The base target with the logon set for `computer`, if any.
  vk::ssh::SshTarget TargetFor(std::u16string_view computer) const;
  struct Logon {
    std::string user;
    std::string password;
  };
  static std::u16string Key(std::u16string_view computer);

  vk::ssh::SshTarget base_;
  vk::ssh::HostKeyQuestion* question_;
  std::map<std::u16string, Logon> logons_;
  mutable std::mutex lock_;
};
