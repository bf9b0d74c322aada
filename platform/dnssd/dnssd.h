// DNS-SD (multicast DNS service discovery) of the local network: the browse
// domains, the service instances announced in a domain and this computer's
// own announcements. Every enumeration is bounded in time and can be
// cancelled from another thread; results are plain names.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vk::dnssd {

inline constexpr char16_t kDefaultDomain[] = u"local";

// One TXT entry, "key=value" (a key without "=" has an empty value).
using TxtEntry = std::pair<std::u16string, std::u16string>;

// One announced service instance.
struct DnsSdService {
  std::u16string instance;  // the instance name as announced
  std::u16string type;      // "_ssh._tcp"
  std::u16string domain;    // "local"
  std::u16string host;      // the target host's name without its domain ("pc1")
  uint16_t port = 0;
  std::vector<TxtEntry> txt;
};

// The value of a TXT entry of the service, or null when it has none.
const std::u16string* FindTxt(const DnsSdService& service, std::u16string_view key);

// Cancels a running enumeration from any thread: it ends at once and
// answers ERROR_CANCELLED. One token may serve several enumerations in turn
// (and is reset for the next with Reset).
class DnsSdCancel {
 public:
  void Cancel();
  // True after Cancel, or once the watched flag is set.
  bool Cancelled() const;
  void Reset();
  // Also cancels when `flag` (which outlives the enumerations) becomes
  // true. Nothing wakes an enumeration for it: while a flag is watched the
  // enumeration looks at it between waits of at most a tenth of a second.
  void Watch(const std::atomic<bool>* flag);
  bool Watching() const;

  // The enumeration's own wake-up while it runs (internal use).
  void Attach(std::function<void()> wake);
  void Detach();

 private:
  mutable std::mutex lock_;
  bool cancelled_ = false;
  const std::atomic<bool>* flag_ = nullptr;
  std::function<void()> wake_;
};

// The browse domains: "local" first, then those the network announces (each
// name once). Ends when the daemon has told everything it knows, after
// `limit` or when cancelled. 0, ERROR_CANCELLED, or
// ERROR_NO_BROWSER_SERVERS_FOUND when there is no discovery daemon.
int32_t BrowseDomains(std::chrono::milliseconds limit, DnsSdCancel* cancel, std::vector<std::u16string>* domains);

// The instances of `types` ("_workstation._tcp", ...) announced in `domain`,
// with their host names, ports and TXT entries, each instance once. Bounded
// as BrowseDomains; an instance whose details do not come in time is listed
// with its name as the host.
int32_t BrowseServices(const std::u16string& domain, const std::vector<std::u16string>& types,
                       std::chrono::milliseconds limit, DnsSdCancel* cancel, std::vector<DnsSdService>* services);

// One service of this computer, announced for as long as the object lives;
// a name already taken on the network gets an alternative. The announcement
// is made whenever the daemon is (or comes back) up.
class DnsSdAnnouncement {
 public:
  virtual ~DnsSdAnnouncement() = default;
  // Replaces the TXT entries of the announcement.
  virtual int32_t UpdateTxt(const std::vector<TxtEntry>& txt) = 0;
  // The name under which the service is announced now (empty until the
  // daemon has taken it).
  virtual std::u16string AnnouncedName() const = 0;
};

// Starts announcing `type` on `port` under `name` (empty: this computer's
// host name) with `txt`. 0 and the announcement, or an error code when no
// client can be made at all (no system bus, out of memory).
int32_t Announce(const std::u16string& name, const std::u16string& type, uint16_t port,
                 const std::vector<TxtEntry>& txt, std::unique_ptr<DnsSdAnnouncement>* out);

}  // namespace vk::dnssd
