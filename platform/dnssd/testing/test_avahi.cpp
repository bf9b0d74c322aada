#include "platform/dnssd/testing/test_avahi.h"

#include <avahi-client/client.h>
#include <avahi-client/publish.h>
#include <avahi-common/defs.h>
#include <avahi-common/thread-watch.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>

#include "platform/ssh/testing/test_sshd.h"

namespace vk::dnssd::testing {
namespace {

constexpr const char* kDaemon = "/usr/sbin/avahi-daemon";
constexpr const char* kPublish = "/usr/bin/avahi-publish";
constexpr const char* kLink = "vkdns0";

// The daemon on the veth end only, IPv4, nothing of its own announced.
void WriteDaemonConfig(const std::string& path) {
  std::ofstream(path) << "[server]\nhost-name=" << TestAvahi::kHostName
                      << "\ndomain-name=local\nuse-ipv4=yes\nuse-ipv6=no\nallow-interfaces=" << kLink
                      << "\nratelimit-interval-usec=1000000\nratelimit-burst=1000\n"
                         "[wide-area]\nenable-wide-area=no\n"
                         "[publish]\npublish-hinfo=no\npublish-workstation=no\npublish-domain=no\n";
}

bool MakeVethPair() {
  return vk::testing::RunShell(std::string("ip link add ") + kLink + " type veth peer name vkdns1 && ip addr add " +
                               "10.77.0.1/24 dev " + kLink + " && ip link set " + kLink +
                               " up && ip link set vkdns1 up") == 0;
}

// "branch.example" as a name in DNS wire form.
std::string WireName(const std::string& name) {
  std::string wire;
  size_t start = 0;
  while (start < name.size()) {
    size_t dot = name.find('.', start);
    if (dot == std::string::npos) dot = name.size();
    wire += static_cast<char>(dot - start);
    wire += name.substr(start, dot - start);
    start = dot + 1;
  }
  wire += '\0';
  return wire;
}

}  // namespace

// Browse-domain records (b._dns-sd._udp.local PTR <domain>) on a client of
// the test's own.
struct TestAvahi::DomainRecords {
  AvahiThreadedPoll* poll = nullptr;
  AvahiClient* client = nullptr;
  std::mutex lock;
  std::condition_variable changed;
  int established = 0;
  int failed = 0;

  ~DomainRecords() {
    if (poll != nullptr) avahi_threaded_poll_stop(poll);
    if (client != nullptr) avahi_client_free(client);
    if (poll != nullptr) avahi_threaded_poll_free(poll);
  }

  static void OnGroup(AvahiEntryGroup*, AvahiEntryGroupState state, void* self) {
    auto* me = static_cast<DomainRecords*>(self);
    std::lock_guard guard(me->lock);
    if (state == AVAHI_ENTRY_GROUP_ESTABLISHED) ++me->established;
    if (state == AVAHI_ENTRY_GROUP_COLLISION || state == AVAHI_ENTRY_GROUP_FAILURE) ++me->failed;
    me->changed.notify_all();
  }

  bool Start() {
    poll = avahi_threaded_poll_new();
    int error = 0;
    client =
        poll ? avahi_client_new(avahi_threaded_poll_get(poll), AvahiClientFlags(0), nullptr, nullptr, &error) : nullptr;
    return client != nullptr && avahi_threaded_poll_start(poll) == 0;
  }

  bool Add(const std::string& domain) {
    const std::string rdata = WireName(domain);
    int before = 0;
    {
      std::lock_guard guard(lock);
      before = established;
    }
    avahi_threaded_poll_lock(poll);
    AvahiEntryGroup* group = avahi_entry_group_new(client, OnGroup, this);
    bool added = group != nullptr &&
                 avahi_entry_group_add_record(group, AVAHI_IF_UNSPEC, AVAHI_PROTO_UNSPEC, AvahiPublishFlags(0),
                                              "b._dns-sd._udp.local", AVAHI_DNS_CLASS_IN, AVAHI_DNS_TYPE_PTR, 120,
                                              rdata.data(), rdata.size()) == 0 &&
                 avahi_entry_group_commit(group) == 0;
    avahi_threaded_poll_unlock(poll);
    if (!added) return false;
    std::unique_lock guard(lock);
    return changed.wait_for(guard, std::chrono::seconds(10), [&] { return established > before || failed > 0; }) &&
           failed == 0;
  }
};

TestAvahi& TestAvahi::Shared() {
  static TestAvahi instance;
  return instance;
}

TestAvahi::TestAvahi() {
  if (access(kDaemon, X_OK) != 0 || access(kPublish, X_OK) != 0) {
    failure_ = "avahi-daemon or avahi-publish is not installed";
    return;
  }
  if (!vk::testing::EnterPrivateNamespaces({}) || !MakeVethPair()) {
    failure_ = "private network namespaces with a veth pair are not possible here";
    return;
  }
  folder_ = vk::testing::MakeTempFolder("vk-avahi-");
  bus_ = std::make_unique<vk::testing::PrivateBus>(folder_, "system");
  if (!bus_->Running()) {
    failure_ = "dbus-daemon did not start: " + bus_->Output();
    return;
  }
  // This process's clients (the code under test) and every child use the
  // private bus as their system bus.
  setenv("DBUS_SYSTEM_BUS_ADDRESS", bus_->Address().c_str(), 1);
  WriteDaemonConfig(folder_ + "/avahi-daemon.conf");
  if (!StartDaemon()) failure_ = "avahi-daemon did not start: " + daemon_->StderrText();
}

bool TestAvahi::StartDaemon() {
  daemon_ = std::make_unique<vk::testing::ChildProcess>(
      kDaemon, std::map<std::string, std::string>{}, "",
      std::vector<std::string>{"-f", folder_ + "/avahi-daemon.conf", "--no-drop-root", "--no-chroot", "--no-rlimits",
                               "--no-proc-title"});
  return daemon_->Started() && daemon_->ReadStderrUntil("Server startup complete", std::chrono::seconds(20));
}

void TestAvahi::StopDaemon() {
  if (!daemon_) return;
  daemon_->Signal(SIGTERM);
  daemon_->Wait(std::chrono::seconds(10));
  daemon_.reset();
}

bool TestAvahi::RestartDaemon() {
  domains_.reset();
  published_.clear();
  StopDaemon();
  return StartDaemon();
}

TestAvahi::~TestAvahi() {
  domains_.reset();
  published_.clear();
  StopDaemon();
  bus_.reset();
  if (!folder_.empty()) std::filesystem::remove_all(folder_);
}

bool TestAvahi::Publish(const std::vector<Service>& services) {
  std::vector<std::string> names;
  for (const Service& service : services) {
    std::string command = std::string("exec ") + kPublish + " -s";
    if (!service.host.empty()) command += " -H '" + service.host + ".local'";
    command += " '" + service.name + "' " + service.type + " " + std::to_string(service.port);
    for (const std::string& entry : service.txt) command += " '" + entry + "'";
    // Its standard output goes away: a publisher left behind must not hold
    // the test's output open.
    published_[service.name] = std::make_unique<vk::testing::ChildProcess>(
        "/bin/sh", std::map<std::string, std::string>{}, "", std::vector<std::string>{"-c", command + " >/dev/null"});
    names.push_back(service.name);
  }
  // Probing the names takes the daemon a while: all of them in parallel.
  for (const std::string& name : names) {
    auto& publisher = published_[name];
    if (!publisher->Started() || !publisher->ReadStderrUntil("Established", std::chrono::seconds(10))) return false;
  }
  return true;
}

void TestAvahi::Withdraw(const std::string& name) {
  auto found = published_.find(name);
  if (found == published_.end()) return;
  found->second->Signal(SIGTERM);
  found->second->Wait(std::chrono::seconds(10));
  published_.erase(found);
}

bool TestAvahi::AnnounceBrowseDomain(const std::string& domain) {
  if (!domains_) {
    domains_ = std::make_unique<DomainRecords>();
    if (!domains_->Start()) return false;
  }
  return domains_->Add(domain);
}

}  // namespace vk::dnssd::testing
