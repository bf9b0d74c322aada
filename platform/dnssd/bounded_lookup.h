// One enumeration through the Avahi daemon with a poll loop of its own: the
// client, the lookups that have yet to finish, a deadline and the caller's
// cancel token.
#pragma once

#include <avahi-client/client.h>
#include <avahi-common/defs.h>
#include <avahi-common/simple-watch.h>

#include <chrono>
#include <cstdint>

#include "platform/dnssd/dnssd.h"

namespace vk::dnssd {

class cVkBoundedLookup {
 public:
  cVkBoundedLookup(std::chrono::milliseconds limit, DnsSdCancel* cancel);
  ~cVkBoundedLookup();
  cVkBoundedLookup(const cVkBoundedLookup&) = delete;
  cVkBoundedLookup& operator=(const cVkBoundedLookup&) = delete;

  // Connects to the daemon: 0 or the error code.
  int32_t Connect();
  AvahiClient* Client() const { return client_; }

  // A browser or resolver has started and will finish (or fail) later.
  void BeginStep() { ++pending_; }
  void EndStep() {
    if (pending_ > 0) --pending_;
  }
  // The daemon or a lookup failed: the enumeration ends with that error.
  void Fail(int avahiError);
  // What every browser's events mean for the enumeration: "all for now"
  // finishes the browser's step (once: `finished` remembers it), a failure
  // ends the enumeration.
  void BrowserEvent(AvahiBrowserEvent event, bool* finished);

  // Runs the loop until every step has finished, the time is up (0 with
  // what was found so far), the caller cancelled (ERROR_CANCELLED) or
  // something failed (its code).
  int32_t Run();

 private:
  static void OnClientState(AvahiClient* client, AvahiClientState state, void* self);

  std::chrono::steady_clock::time_point deadline_;
  DnsSdCancel* cancel_;
  AvahiSimplePoll* poll_ = nullptr;
  AvahiClient* client_ = nullptr;
  int pending_ = 0;
  int32_t failure_ = 0;
};

}  // namespace vk::dnssd
