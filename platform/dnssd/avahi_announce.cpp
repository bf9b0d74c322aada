// This computer's announcements through the Avahi daemon, kept up by a poll
// thread of their own: registered once the daemon runs, again after it
// restarts, renamed when the name is taken.
#include <avahi-client/client.h>
#include <avahi-client/publish.h>
#include <avahi-common/alternative.h>
#include <avahi-common/error.h>
#include <avahi-common/malloc.h>
#include <avahi-common/thread-watch.h>

#include <mutex>
#include <string>

#include "platform/core/error_codes.h"
#include "platform/core/text.h"
#include "platform/dnssd/avahi_support.h"
#include "platform/dnssd/dnssd.h"

namespace vk::dnssd {
namespace {

constexpr int kNameAttempts = 100;

class cVkAvahiAnnouncement final : public DnsSdAnnouncement {
 public:
  cVkAvahiAnnouncement(std::string name, std::string type, uint16_t port, std::vector<TxtEntry> txt)
      : name_(std::move(name)), type_(std::move(type)), port_(port), txt_(std::move(txt)) {}

  ~cVkAvahiAnnouncement() override {
    if (poll_ != nullptr) avahi_threaded_poll_stop(poll_);
    // The daemon withdraws what the client announced when it goes.
    if (client_ != nullptr) avahi_client_free(client_);
    if (poll_ != nullptr) avahi_threaded_poll_free(poll_);
  }

  int32_t Start() {
    poll_ = avahi_threaded_poll_new();
    if (poll_ == nullptr) return ERROR_NOT_ENOUGH_MEMORY;
    int error = AVAHI_OK;
    // Without the daemon the client waits for it rather than failing.
    client_ = avahi_client_new(avahi_threaded_poll_get(poll_), AVAHI_CLIENT_NO_FAIL, OnClient, this, &error);
    if (client_ == nullptr) return FromAvahiError(error);
    if (avahi_threaded_poll_start(poll_) != 0) return ERROR_NOT_ENOUGH_MEMORY;
    return 0;
  }

  int32_t UpdateTxt(const std::vector<TxtEntry>& txt) override {
    avahi_threaded_poll_lock(poll_);
    txt_ = txt;
    int error = AVAHI_OK;
    if (group_ != nullptr && !avahi_entry_group_is_empty(group_)) {
      AvahiStringList* list = StringListFromTxt(txt_);
      error =
          avahi_entry_group_update_service_txt_strlst(group_, AVAHI_IF_UNSPEC, AVAHI_PROTO_UNSPEC, AvahiPublishFlags(0),
                                                      current_.c_str(), type_.c_str(), nullptr, list);
      avahi_string_list_free(list);
    }
    avahi_threaded_poll_unlock(poll_);
    return FromAvahiError(error);
  }

  std::u16string AnnouncedName() const override {
    std::lock_guard guard(nameLock_);
    return vk::FromUtf8(announced_);
  }

 private:
  // Both callbacks run on the poll thread (or inside avahi_client_new).
  static void OnClient(AvahiClient* client, AvahiClientState state, void* self) {
    auto* me = static_cast<cVkAvahiAnnouncement*>(self);
    switch (state) {
      case AVAHI_CLIENT_S_RUNNING:
        me->Register(client);
        break;
      case AVAHI_CLIENT_S_COLLISION:
      case AVAHI_CLIENT_S_REGISTERING:
        // The host name changes: the entries come again once it runs.
        if (me->group_ != nullptr) avahi_entry_group_reset(me->group_);
        me->SetAnnounced({});
        break;
      case AVAHI_CLIENT_CONNECTING:
        me->SetAnnounced({});
        break;
      case AVAHI_CLIENT_FAILURE:
        // The daemon went away, and its groups with it: a new client waits
        // for it to come back.
        me->SetAnnounced({});
        if (avahi_client_errno(client) == AVAHI_ERR_DISCONNECTED) me->Reconnect(client);
        break;
    }
  }

  static void OnGroup(AvahiEntryGroup* group, AvahiEntryGroupState state, void* self) {
    auto* me = static_cast<cVkAvahiAnnouncement*>(self);
    if (state == AVAHI_ENTRY_GROUP_ESTABLISHED) me->SetAnnounced(me->current_);
    if (state != AVAHI_ENTRY_GROUP_COLLISION) return;
    me->TakeAlternativeName();
    avahi_entry_group_reset(group);
    me->AddEntries(group);
  }

  void Reconnect(AvahiClient* client) {
    group_ = nullptr;  // freed with the client
    avahi_client_free(client);
    int error = AVAHI_OK;
    client_ = avahi_client_new(avahi_threaded_poll_get(poll_), AVAHI_CLIENT_NO_FAIL, OnClient, this, &error);
  }

  void Register(AvahiClient* client) {
    if (group_ == nullptr) group_ = avahi_entry_group_new(client, OnGroup, this);
    if (group_ == nullptr || !avahi_entry_group_is_empty(group_)) return;
    if (current_.empty()) {
      const char* host = avahi_client_get_host_name(client);
      current_ = !name_.empty() ? name_ : host != nullptr ? host : "";
    }
    AddEntries(group_);
  }

  // A name another program of this computer announces already is refused
  // at once (not reported later as a collision): the next alternative then.
  void AddEntries(AvahiEntryGroup* group) {
    AvahiStringList* list = StringListFromTxt(txt_);
    int error = AVAHI_ERR_COLLISION;
    for (int attempt = 0; attempt < kNameAttempts && error == AVAHI_ERR_COLLISION; ++attempt) {
      error = avahi_entry_group_add_service_strlst(group, AVAHI_IF_UNSPEC, AVAHI_PROTO_UNSPEC, AvahiPublishFlags(0),
                                                   current_.c_str(), type_.c_str(), nullptr, nullptr, port_, list);
      if (error == AVAHI_ERR_COLLISION) TakeAlternativeName();
    }
    avahi_string_list_free(list);
    if (error == AVAHI_OK) avahi_entry_group_commit(group);
  }

  void TakeAlternativeName() {
    char* other = avahi_alternative_service_name(current_.c_str());
    if (other == nullptr) return;
    current_ = other;
    avahi_free(other);
  }

  void SetAnnounced(const std::string& name) {
    std::lock_guard guard(nameLock_);
    announced_ = name;
  }

  const std::string name_;
  const std::string type_;
  const uint16_t port_;
  std::vector<TxtEntry> txt_;  // under the poll's lock
  std::string current_;        // the name in use, on the poll thread

  AvahiThreadedPoll* poll_ = nullptr;
  AvahiClient* client_ = nullptr;
  AvahiEntryGroup* group_ = nullptr;

  mutable std::mutex nameLock_;
  std::string announced_;
};

}  // namespace

int32_t Announce(const std::u16string& name, const std::u16string& type, uint16_t port,
                 const std::vector<TxtEntry>& txt, std::unique_ptr<DnsSdAnnouncement>* out) {
  out->reset();
  auto announcement = std::make_unique<cVkAvahiAnnouncement>(vk::ToUtf8(name), vk::ToUtf8(type), port, txt);
  int32_t code = announcement->Start();
  if (code != 0) return code;
  *out = std::move(announcement);
  return 0;
}

}  // namespace vk::dnssd
