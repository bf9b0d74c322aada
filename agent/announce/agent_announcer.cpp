#include "agent/announce/agent_announcer.h"

#include "agent/service/agent_version.h"
#include "agent/service/locations_setup.h"
#include "agent/service/registry_values.h"
#include "log/orklog.h"
#include "platform/core/error_codes.h"
#include "platform/registry/registry.h"

namespace vk::agent {
namespace {

std::u16string Number(int64_t value) {
  std::string digits = std::to_string(value);
  return std::u16string(digits.begin(), digits.end());
}

}  // namespace

cVkAgentAnnouncer::cVkAgentAnnouncer(std::function<cVkAnnouncedPorts()> ports, iVkLogSink* logFile)
    : ports_(std::move(ports)), logFile_(logFile) {}

bool cVkAgentAnnouncer::AnnouncementWanted() {
  vk::RegKey root;
  if (vk::RegistryConnect(u"", vk::RegRoot::LocalMachine, &root) != 0) return true;
  uint32_t value = 1;
  ReadDwordValue(root, kVkServiceKey, kAnnounceValue, &value);
  vk::RegistryCloseKey(&root);
  return value != 0;
}

std::vector<vk::dnssd::TxtEntry> cVkAgentAnnouncer::Txt() const {
  std::vector<vk::dnssd::TxtEntry> txt{
      {u"build", Number(kBuild)}, {u"update", Number(announced_.update)}, {u"input", Number(announced_.input)}};
  if (rpcPort_ > 0) txt.emplace_back(u"rpc", Number(rpcPort_));
  return txt;
}

int32_t cVkAgentAnnouncer::Start(cOrkLog&) {
  std::lock_guard guard(lock_);
  announcement_.reset();
  if (!AnnouncementWanted()) return 0;
  announced_ = ports_();
  int32_t code = vk::dnssd::Announce(u"", kAgentServiceType, announced_.update, Txt(), &announcement_);
  if (code == 0 || code == ERROR_NO_BROWSER_SERVERS_FOUND) return 0;
  cOrkLog failure;
  failure.LogNetMsg(LOG_WARNING, code, u"The service cannot be announced on the local network. Errorcode %ld.", code);
  if (logFile_ != nullptr) logFile_->AppendLogToFile(failure);
  return 0;
}

int32_t cVkAgentAnnouncer::Stop(cOrkLog&) {
  std::lock_guard guard(lock_);
  announcement_.reset();
  return 0;
}

void cVkAgentAnnouncer::SetRpcPort(int32_t port) {
  std::lock_guard guard(lock_);
  rpcPort_ = port;
  if (announcement_) announcement_->UpdateTxt(Txt());
}

}  // namespace vk::agent
