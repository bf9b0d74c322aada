// The syslog sink against a real syslog socket: a child process gets its own
// mount namespace with a private /dev, binds /dev/log there and reads what
// the sink sends. Skipped where namespaces cannot be made (no privileges).
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <regex>
#include <string>

#include "platform/eventlog/event_log.h"

namespace {

constexpr int kSkip = 77;

// One datagram from the socket, or empty when none is waiting.
std::string Receive(int sock) {
  char buffer[2048];
  const ssize_t n = ::recv(sock, buffer, sizeof buffer, MSG_DONTWAIT);
  return n > 0 ? std::string(buffer, static_cast<size_t>(n)) : std::string();
}

bool Expect(const std::string& got, const std::string& pattern) {
  if (std::regex_match(got, std::regex(pattern))) return true;
  std::fprintf(stderr, "got '%s', expected /%s/\n", got.c_str(), pattern.c_str());
  return false;
}

// Runs in the child; answers its exit status.
int ReportIntoPrivateDevLog() {
  if (::unshare(CLONE_NEWNS) != 0) return kSkip;
  if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return kSkip;
  if (::mount("tmpfs", "/dev", "tmpfs", 0, "mode=0755") != 0) return kSkip;
  const int sock = ::socket(AF_UNIX, SOCK_DGRAM, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::snprintf(addr.sun_path, sizeof addr.sun_path, "/dev/log");
  if (sock < 0 || ::bind(sock, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) return 2;

  vk::EventLogSink& sink = vk::SyslogEventLog();
  const std::string pid = std::to_string(::getpid());
  // LOG_DAEMON (3 << 3) with LOG_ERR (3), LOG_WARNING (4) and LOG_INFO (6).
  sink.Report(u"ViewKeeper", vk::EventType::Error, 7, u"Stopped \u00E4.");
  if (!Expect(Receive(sock), "<27>.{15} ViewKeeper\\[" + pid + "\\]: Stopped \xC3\xA4\\.")) return 3;
  sink.Report(u"Other source", vk::EventType::Warning, 8, u"careful");
  if (!Expect(Receive(sock), "<28>.{15} Other source\\[" + pid + "\\]: careful")) return 4;
  sink.Report(u"ViewKeeper", vk::EventType::Information, 9, u"100% done");
  if (!Expect(Receive(sock), "<30>.{15} ViewKeeper\\[" + pid + "\\]: 100% done")) return 5;
  return 0;
}

TEST(SyslogSink, ReportsReachTheSyslogSocketUnderTheSourceName) {
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) ::_exit(ReportIntoPrivateDevLog());
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == kSkip) GTEST_SKIP() << "no private mount namespace here";
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(SyslogSink, InstalledSinkReplacesSyslogUntilRemoved) {
  struct Counting final : vk::EventLogSink {
    int count = 0;
    bool Report(std::u16string_view, vk::EventType, uint32_t, std::u16string_view) override { return ++count > 0; }
  } counting;
  EXPECT_EQ(&vk::CurrentEventLogSink(), &vk::SyslogEventLog());
  EXPECT_EQ(vk::SetEventLogSink(&counting), &vk::SyslogEventLog());
  EXPECT_TRUE(vk::CurrentEventLogSink().Report(u"s", vk::EventType::Error, 1, u"t"));
  EXPECT_EQ(counting.count, 1);
  EXPECT_EQ(vk::SetEventLogSink(nullptr), &counting);
  EXPECT_EQ(&vk::CurrentEventLogSink(), &vk::SyslogEventLog());
}

}  // namespace
