#include "platform/dnssd/bounded_lookup.h"

#include <avahi-common/error.h>

#include <algorithm>

#include "platform/core/error_codes.h"
#include "platform/dnssd/avahi_support.h"

namespace vk::dnssd {
namespace {

// How often a watched cancel flag is looked at.
constexpr std::chrono::milliseconds kFlagLook{100};

}  // namespace

cVkBoundedLookup::cVkBoundedLookup(std::chrono::milliseconds limit, DnsSdCancel* cancel)
    : deadline_(std::chrono::steady_clock::now() + limit), cancel_(cancel), poll_(avahi_simple_poll_new()) {}

cVkBoundedLookup::~cVkBoundedLookup() {
  // Freeing the client frees its browsers and resolvers too.
  if (client_ != nullptr) avahi_client_free(client_);
  if (poll_ != nullptr) avahi_simple_poll_free(poll_);
}

void cVkBoundedLookup::OnClientState(AvahiClient* client, AvahiClientState state, void* self) {
  if (state == AVAHI_CLIENT_FAILURE) static_cast<cVkBoundedLookup*>(self)->Fail(avahi_client_errno(client));
}

int32_t cVkBoundedLookup::Connect() {
  if (poll_ == nullptr) return ERROR_NOT_ENOUGH_MEMORY;
  int error = AVAHI_OK;
  client_ = avahi_client_new(avahi_simple_poll_get(poll_), AvahiClientFlags(0), OnClientState, this, &error);
  if (client_ == nullptr) return FromAvahiError(error);
  return failure_;
}

void cVkBoundedLookup::Fail(int avahiError) {
  if (failure_ != 0) return;
  failure_ = FromAvahiError(avahiError);
  if (failure_ == 0) failure_ = ERROR_NO_BROWSER_SERVERS_FOUND;
}

void cVkBoundedLookup::BrowserEvent(AvahiBrowserEvent event, bool* finished) {
  if (event == AVAHI_BROWSER_ALL_FOR_NOW && !*finished) {
    *finished = true;
    EndStep();
  }
  if (event == AVAHI_BROWSER_FAILURE) Fail(avahi_client_errno(client_));
}

int32_t cVkBoundedLookup::Run() {
  // The wake-up is in place before the first look at the token, so a
  // cancel from now on ends the wait in the poll at once.
  if (cancel_ != nullptr) cancel_->Attach([poll = poll_] { avahi_simple_poll_wakeup(poll); });
  const bool watching = cancel_ != nullptr && cancel_->Watching();
  int32_t result = 0;
  while (pending_ > 0 && failure_ == 0) {
    if (cancel_ != nullptr && cancel_->Cancelled()) {
      result = ERROR_CANCELLED;
      break;
    }
    auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline_ - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    if (watching) left = std::min(left, kFlagLook);
    if (avahi_simple_poll_iterate(poll_, static_cast<int>(left.count())) != 0) {
      Fail(AVAHI_ERR_FAILURE);
      break;
    }
  }
  if (cancel_ != nullptr) cancel_->Detach();
  return result != 0 ? result : failure_;
}

void DnsSdCancel::Cancel() {
  std::lock_guard guard(lock_);
  cancelled_ = true;
  if (wake_) wake_();
}

bool DnsSdCancel::Cancelled() const {
  std::lock_guard guard(lock_);
  return cancelled_ || (flag_ != nullptr && flag_->load());
}

void DnsSdCancel::Watch(const std::atomic<bool>* flag) {
  std::lock_guard guard(lock_);
  flag_ = flag;
}

bool DnsSdCancel::Watching() const {
  std::lock_guard guard(lock_);
  return flag_ != nullptr;
}

void DnsSdCancel::Reset() {
  std::lock_guard guard(lock_);
  cancelled_ = false;
}

void DnsSdCancel::Attach(std::function<void()> wake) {
  std::lock_guard guard(lock_);
  wake_ = std::move(wake);
}

void DnsSdCancel::Detach() {
  std::lock_guard guard(lock_);
  wake_ = nullptr;
}

}  // namespace vk::dnssd
