// The agent's access control: the three account lists of
// cVkServiceSecurity, the security descriptor built from them, and the
// checks of RPC callers and viewing sessions against it.
//
// Masks granted per list: administrators 11 (read, change, administer),
// operators 3 (read, change), users 1 (read). A caller holds the union of
// the masks of every list that names the caller or one of its groups.
// The lists live in the registry under kSecurityKey.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "agent/security/access_rights.h"
#include "agent/service/log_sink.h"
#include "agent/service/service_parts.h"
#include "agent/session/session_parts.h"
#include "common/security_lists/service_security.h"
#include "log/orklog.h"
#include "platform/security/access_check.h"
#include "platform/security/sid.h"

inline constexpr uint32_t kAdministratorsMask = RIGHT_READ | RIGHT_CHANGE | RIGHT_ADMINISTER;
inline constexpr uint32_t kOperatorsMask = RIGHT_READ | RIGHT_CHANGE;
inline constexpr uint32_t kUsersMask = RIGHT_READ;

inline constexpr std::u16string_view kSecurityKey = u"SOFTWARE\\Corvalline\\ViewKeeper\\Service\\Settings";

class cVkAgentSecurity : public cVkServiceSecurity, public vk::agent::iVkServiceManager, public vk::iVkLogonCheck {
 public:
  // `logFile` receives the log of a failed load at start (none: it stays in
  // the caller's log).
  explicit cVkAgentSecurity(iVkLogSink* logFile = nullptr) : logFile_(logFile) {}

  // As the service starts and stops it: InitializeSecurity, and a save
  // when ShouldSaveAtStop.
  int32_t Start(cOrkLog& log) override { return InitializeSecurity(log); }
  int32_t Stop(cOrkLog& log) override { return ShouldSaveAtStop() ? SaveToRegistry(log) : 0; }

  // Loads the lists from the registry, then builds the descriptor. A failed
  // load is written to the agent's log file and the lists it fell back to
  // are used.
  int32_t InitializeSecurity(cOrkLog& log);
  int32_t LoadFromRegistry(cOrkLog& log);
  // Answers the disconnect error, else -1 when a value could not be written, else 0.
  int32_t SaveToRegistry(cOrkLog& log);
  int32_t BuildSecurityDescriptor(cOrkLog& log);

  // The access check of a token against the descriptor (generic rights mapped).
  int32_t CheckTokenAccess(cOrkLog& log, const vk::AccessToken& token, uint32_t desiredAccess, bool* granted,
                           uint32_t* grantedMask);
  // The check of an RPC caller for one right: 0 or 5. client null: the
  // caller could not be identified.
  int32_t CheckClientAccess(cOrkLog& log, const vk::AccessToken* client, uint32_t right);
  // Logs the user on (network logon) and checks the token: 0 with the
  // granted mask, 5 when no list admits the user, or the logon's code.
  int32_t CheckLogonAccess(cOrkLog& log, std::u16string_view user, std::u16string_view domain,
                           std::u16string_view password, uint32_t desiredAccess, uint32_t* grantedMask) override;
  // Replaces the lists, when the caller keeps the administer right under them.
  int32_t ApplySecurity(cOrkLog& log, const vk::AccessToken* client, const cVkServiceSecurity& newSecurity);

  // Whether the lists came from the registry (or were simply not there) on
  // the last load, and whether they were changed since: only then does the
  // stop save them, so that a failed load never writes defaults over them.
  bool LoadedFromRegistry() const;
  bool ChangedSinceLoad() const;
  bool ShouldSaveAtStop() const { return LoadedFromRegistry() || ChangedSinceLoad(); }

  // A copy of the current descriptor in self-relative form (empty: none).
  std::vector<uint8_t> GetSecurityDescriptor() const;

 private:
  struct Built {
    std::vector<uint8_t> securityDescriptor;
    std::optional<vk::Sid> adminGroupSid;
    std::optional<vk::Sid> defaultGroupSid;
  };
  int32_t BuildFromLists(cOrkLog& log, Built* built) const;
  int32_t ReadList(cOrkLog& log, class cVkRegistry& registry, std::u16string_view valueName, std::u16string* value);

  std::vector<uint8_t> securityDescriptor_;
  std::optional<vk::Sid> adminGroupSid_;
  std::optional<vk::Sid> defaultGroupSid_;
  vk::GenericMapping genericMapping_{RIGHT_READ, RIGHT_WRITE, RIGHT_CHANGE, RIGHT_ADMINISTER};
  bool loaded_ = false;
  bool changed_ = false;
  iVkLogSink* logFile_ = nullptr;
};
