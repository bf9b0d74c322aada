// cVkAgentAnnouncer: the agent makes itself known on the local network as a
// DNS-SD service "_viewkeeper._tcp" on its update port, under this
// computer's host name, with the TXT entries build, update and input (the
// viewing ports) and rpc (the configuration port, once the RPC listener has
// one). Consoles list it in their "Microsoft Windows Network" branch.
//
// The REG_DWORD value "Announce" of HKLM\SOFTWARE\Corvalline\ViewKeeper\Service
// set to 0 switches the announcement off (read at each start).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "agent/service/log_sink.h"
#include "agent/service/service_parts.h"
#include "platform/dnssd/dnssd.h"

namespace vk::agent {

inline constexpr char16_t kAnnounceValue[] = u"Announce";
inline constexpr char16_t kAgentServiceType[] = u"_viewkeeper._tcp";

struct cVkAnnouncedPorts {
  uint16_t update = 0;
  uint16_t input = 0;
};

class cVkAgentAnnouncer final : public iVkServiceManager {
 public:
  // `ports` gives the viewing ports of the settings in force at start;
  // failures go to `logFile`.
  cVkAgentAnnouncer(std::function<cVkAnnouncedPorts()> ports, iVkLogSink* logFile);

  // Announces unless switched off. A computer without service discovery
  // (no system bus) is not announced, silently; no failure to announce
  // keeps the service from running: it is written to the log file as a
  // warning and Start answers 0.
  int32_t Start(cOrkLog& log) override;
  // Withdraws the announcement.
  int32_t Stop(cOrkLog& log) override;
  // The RPC listener's port (-1: none), from its publication on.
  void SetRpcPort(int32_t port);

  // Whether the announcement is switched on in the registry.
  static bool AnnouncementWanted();

 private:
  std::vector<vk::dnssd::TxtEntry> Txt() const;

  std::function<cVkAnnouncedPorts()> ports_;
  iVkLogSink* logFile_;
  mutable std::mutex lock_;
  cVkAnnouncedPorts announced_;
  int32_t rpcPort_ = -1;
  std::unique_ptr<vk::dnssd::DnsSdAnnouncement> announcement_;
};

}  // namespace vk::agent
