// Test support for the agent's RPC listener: a listener started by the test
// on a port range of its own with recording service hooks, real settings
// and access rights, clients in this process (uid of the test) or in a
// child that connected after setuid, and raw PDU exchanges.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "agent/rpc/publish_port.h"
#include "agent/rpc/rpc_listener.h"
#include "agent/security/agent_security.h"
#include "common/archive/object_buffer.h"
#include "common/archive/register_archive.h"
#include "common/mfclog/mfc_log.h"
#include "common/rpc/fragments.h"
#include "common/rpc/rpc_client.h"
#include "common/settings/register_settings.h"
#include "common/settings/service_settings.h"
#include "common/testing/log_lines.h"
#include "log/orklog.h"
#include "platform/rpc/tcp_stream.h"

namespace vk::testing {

// A free range of ports for this process, away from the agent's own.
inline uint16_t TestPortBase() { return static_cast<uint16_t>(20000 + (getpid() % 400) * 100); }

struct RemoteCall {
  int32_t code = -100;  // the client's answer; -100: the child failed before the call
  cVkRpcCallResult result;
};

// Connects, binds and calls once as `uid` from a child process.
inline RemoteCall CallAs(uint32_t uid, uint16_t port, uint16_t opnum, int32_t type,
                         const std::vector<uint8_t>& in = {}) {
  int fds[2];
  if (pipe(fds) != 0) return {};
  pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    if (setuid(uid) != 0) _exit(2);
    RemoteCall call;
    std::unique_ptr<vk::rpc::TcpStream> stream;
    call.code = vk::rpc::ConnectLoopback(port, &stream);
    if (call.code == 0) {
      cVkRpcClient client(*stream);
      call.code = client.Bind();
      if (call.code == 0) call.code = client.Call(opnum, type, in, &call.result);
    }
    auto put = [&](const void* bytes, size_t n) { return write(fds[1], bytes, n) == static_cast<ssize_t>(n); };
    uint32_t sizes[2] = {static_cast<uint32_t>(call.result.outData.size()),
                         static_cast<uint32_t>(call.result.outLog.size())};
    bool ok = put(&call.code, 4) && put(&call.result.status, 4) && put(sizes, 8) &&
              put(call.result.outData.data(), sizes[0]) && put(call.result.outLog.data(), sizes[1]);
    _exit(ok ? 0 : 3);
  }
  close(fds[1]);
  std::vector<uint8_t> all;
  uint8_t buffer[4096];
  for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;) all.insert(all.end(), buffer, buffer + n);
  close(fds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  RemoteCall call;
  if (all.size() < 16) return call;
  std::memcpy(&call.code, all.data(), 4);
  std::memcpy(&call.result.status, all.data() + 4, 4);
  uint32_t sizes[2];
  std::memcpy(sizes, all.data() + 8, 8);
  if (all.size() != 16 + size_t{sizes[0]} + sizes[1]) return {};
  call.result.outData.assign(all.begin() + 16, all.begin() + 16 + sizes[0]);
  call.result.outLog.assign(all.begin() + 16 + sizes[0], all.end());
  return call;
}

// The texts of an archived call log.
inline std::vector<std::string> LogTexts(const std::vector<uint8_t>& outLog) {
  cOrkLog log;
  log.SetMemLogMask(LOG_ALL);
  VkRpcBuffer buffer{static_cast<uint32_t>(outLog.size()), const_cast<uint8_t*>(outLog.data())};
  std::vector<std::string> texts;
  if (RpcBufferToLog(buffer, log) != 0) return {"<log does not read>"};
  for (const LogLine& line : LogLines(log)) texts.push_back(line.text);
  return texts;
}

inline bool LogHas(const std::vector<uint8_t>& outLog, const std::string& text) {
  for (const std::string& line : LogTexts(outLog))
    if (line == text) return true;
  return false;
}

// A listener with real settings and access rights and recording hooks.
class RpcListenerFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    VkRegisterArchiveClasses();
    VkRegisterSettingsClasses();
    VkRegisterMfcLogClasses();
    char name[] = "/tmp/vk-rpc-XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    folder_ = name;
    setenv("VIEWKEEPER_REGISTRY_DIR", folder_.c_str(), 1);
    setenv("VIEWKEEPER_UNIT_DIR", (folder_ + "/unit.d").c_str(), 1);
    setenv("VIEWKEEPER_SYSTEMD_RELOAD", "no", 1);
    serviceLog_.SetMemLogMask(LOG_ALL);
    // Administrators administer, the operators group changes, the viewers group reads.
    security_.SetLists({u"Administrators"}, {u"operators"}, {u"viewers"});
    cOrkLog log;
    ASSERT_EQ(security_.BuildSecurityDescriptor(log), 0);
  }
  void TearDown() override {
    StopListener();
    unsetenv("VIEWKEEPER_REGISTRY_DIR");
    unsetenv("VIEWKEEPER_UNIT_DIR");
    unsetenv("VIEWKEEPER_SYSTEMD_RELOAD");
    std::filesystem::remove_all(folder_);
  }

  vk::agent::cVkRpcAgentContext Context() {
    vk::agent::cVkRpcAgentContext c;
    c.settings = &settings_;
    c.security = &security_;
    c.saveSettings = [this](cOrkLog&) {
      ++saves_;
      return saveResult_.load();
    };
    c.markSecurityChanged = [this] { ++securityChanges_; };
    c.reportStartPending = [this](uint32_t hint) { Record("start " + std::to_string(hint)); };
    c.reportStopPending = [this](uint32_t hint) { Record("stop " + std::to_string(hint)); };
    c.reportRunning = [this] { Record("running"); };
    c.requestServiceStop = [this] { Record("service stop"); };
    c.setupActivityLog = [](cOrkLog& log) {
      log.SetMemLogMask(LOG_ALL);
      log.SetFileLogMask(LOG_ALL);
    };
    c.appendLogToFile = [this](cOrkLog& log) {
      std::lock_guard lock(mutex_);
      for (const LogLine& line : LogLines(log)) fileLines_.push_back(line.text);
      log.Clear();
    };
    c.serviceLog = &serviceLog_;
    c.publishPort = [](cOrkLog& log, int32_t port) { return vk::agent::PublishRpcPort(log, port); };
    return c;
  }

  vk::agent::cVkRpcListenerOptions Options() {
    vk::agent::cVkRpcListenerOptions o;
    o.firstPort = TestPortBase();
    o.portAttempts = 20;
    o.listenDelay = std::chrono::milliseconds(0);
    o.idleTimeout = std::chrono::seconds(10);
    return o;
  }

  // Starts the listener and waits until it reports running (true) or ended.
  bool StartListener(vk::agent::cVkRpcListenerOptions options) {
    {
      std::lock_guard lock(mutex_);
      reports_.clear();
    }
    listener_ = std::make_unique<vk::agent::cVkRpcListener>(Context(), options);
    cOrkLog log;
    if (listener_->Start(log, thread_) != 0) return false;
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(30), [&] { return Has("running") || Has("service stop"); }) &&
           Has("running");
  }
  bool StartListener() { return StartListener(Options()); }

  // Ends listening and the thread: the thread's exit code.
  int32_t StopListener() {
    if (!listener_) return 0;
    cOrkLog log;
    listener_->StopListening(log);
    vk::ThreadStopResult r = thread_.Stop();
    listener_.reset();
    return r.code;
  }

  uint16_t Port() { return listener_->Port(); }

  // A client of this process's uid, bound.
  std::unique_ptr<vk::rpc::TcpStream> Connect() {
    std::unique_ptr<vk::rpc::TcpStream> stream;
    EXPECT_EQ(vk::rpc::ConnectLoopback(Port(), &stream), 0);
    if (stream) stream->SetMessageTimeout(std::chrono::seconds(20));
    return stream;
  }

  std::vector<std::string> Reports() {
    std::lock_guard lock(mutex_);
    return reports_;
  }
  std::string UnitText() { return ReadText(folder_ + "/unit.d/display-name.conf"); }
  static std::string ReadText(const std::string& path) {
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return {};
    std::string text;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, f)) > 0;) text.append(buffer, n);
    fclose(f);
    return text;
  }

  cVkServiceSettings settings_;
  cVkAgentSecurity security_;
  cOrkLog serviceLog_;
  std::string folder_;
  std::atomic<int> saves_{0};
  std::atomic<int> securityChanges_{0};
  std::atomic<int32_t> saveResult_{0};
  std::vector<std::string> fileLines_;
  std::mutex mutex_;

 private:
  void Record(const std::string& what) {
    std::lock_guard lock(mutex_);
    reports_.push_back(what);
    changed_.notify_all();
  }
  bool Has(const std::string& what) { return std::find(reports_.begin(), reports_.end(), what) != reports_.end(); }

  std::condition_variable changed_;
  std::vector<std::string> reports_;
  std::unique_ptr<vk::agent::cVkRpcListener> listener_;
  vk::WorkerThread thread_;
};

}  // namespace vk::testing
