// Test doubles of the computer side: a scripted remote computer and RPC.
#pragma once

#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "console/admin/rpc_channel.h"
#include "platform/core/error_codes.h"
#include "platform/ssh/remote_computer.h"

// A computer whose service states follow a script: each query answers the
// next state of `states` (the last one repeats); start/stop requests may
// replace the script.
struct FakeComputer : vk::remote::RemoteComputer {
  std::deque<uint32_t> states{0};  // 0: no service
  std::u16string displayName = u"ViewKeeper Service ((44185,1114))";
  std::u16string binaryPath = u"\"/opt/viewkeeper/deskagent\"";
  std::function<void(FakeComputer&)> onStart, onStop;
  int32_t copyResult = 0;
  int32_t stagingResult = 0;
  uint64_t freeBytes = 1ull << 40;
  int starts = 0, stops = 0, copies = 0, stagingCreated = 0, stagingRemoved = 0, created = 0, deleted = 0;
  std::vector<std::u16string> copiedTargets, deletedFiles, removedFolders;
  std::string unit;

  uint32_t Next() {
    uint32_t s = states.front();
    if (states.size() > 1) states.pop_front();
    return s;
  }
  int32_t QueryServiceState(uint32_t* state) override {
    *state = Next();
    return *state == 0 ? ERROR_SERVICE_DOES_NOT_EXIST : 0;
  }
  int32_t QueryServiceConfig(vk::remote::ServiceConfig& config) override {
    config.displayName = displayName;
    config.binaryPath = binaryPath;
    return 0;
  }
  int32_t StartService() override {
    ++starts;
    if (onStart) onStart(*this);
    return 0;
  }
  int32_t StopService() override {
    ++stops;
    if (onStop) onStop(*this);
    return 0;
  }
  int32_t CreateService(std::string_view text) override {
    ++created;
    unit = text;
    states = {1};
    return 0;
  }
  int32_t DeleteService() override {
    ++deleted;
    states = {0};
    return 0;
  }
  int32_t CreateStagingFolder(std::u16string_view name, std::u16string* path) override {
    ++stagingCreated;
    *path = u"/root/" + std::u16string(name);
    return stagingResult;
  }
  int32_t RemoveStagingFolder(std::u16string_view) override {
    ++stagingRemoved;
    return 0;
  }
  int32_t FreeSpace(std::u16string_view, uint64_t* bytes) override {
    *bytes = freeBytes;
    return 0;
  }
  int32_t CreateFolder(std::u16string_view) override { return ERROR_ALREADY_EXISTS; }
  int32_t CopyFile(std::u16string_view, std::u16string_view, std::u16string_view target, uint32_t) override {
    ++copies;
    if (copyResult == 0) copiedTargets.emplace_back(target);
    return copyResult;
  }
  int32_t DeleteFile(std::u16string_view path) override {
    deletedFiles.emplace_back(path);
    return 0;
  }
  int32_t RemoveFolder(std::u16string_view path) override {
    removedFolders.emplace_back(path);
    return 0;
  }
  int32_t FindMissingLibraries(std::u16string_view, std::vector<vk::remote::MissingLibrary>&) override { return 0; }
  int32_t OpenStream(int, std::unique_ptr<vk::ssh::SshStream>& stream) override {
    stream.reset();
    return 0;
  }
  std::u16string ReachedHost() const override { return u"127.0.0.1"; }
  std::u16string LastErrorText() const override { return u"scripted failure"; }
};

// Hands out one FakeComputer (owned by the test) for every computer name.
struct FakeConnector : vk::remote::RemoteConnector {
  explicit FakeConnector(FakeComputer& computer) : computer(computer) {}
  struct Borrowed : vk::remote::RemoteComputer {
    explicit Borrowed(FakeComputer& c) : c(c) {}
    int32_t QueryServiceState(uint32_t* s) override { return c.QueryServiceState(s); }
    int32_t QueryServiceConfig(vk::remote::ServiceConfig& x) override { return c.QueryServiceConfig(x); }
    int32_t StartService() override { return c.StartService(); }
    int32_t StopService() override { return c.StopService(); }
    int32_t CreateService(std::string_view t) override { return c.CreateService(t); }
    int32_t DeleteService() override { return c.DeleteService(); }
    int32_t CreateStagingFolder(std::u16string_view n, std::u16string* p) override {
      return c.CreateStagingFolder(n, p);
    }
    int32_t RemoveStagingFolder(std::u16string_view p) override { return c.RemoveStagingFolder(p); }
    int32_t FreeSpace(std::u16string_view p, uint64_t* b) override { return c.FreeSpace(p, b); }
    int32_t CreateFolder(std::u16string_view p) override { return c.CreateFolder(p); }
    int32_t CopyFile(std::u16string_view l, std::u16string_view s, std::u16string_view t, uint32_t m) override {
      return c.CopyFile(l, s, t, m);
    }
    int32_t DeleteFile(std::u16string_view p) override { return c.DeleteFile(p); }
    int32_t RemoveFolder(std::u16string_view p) override { return c.RemoveFolder(p); }
    int32_t FindMissingLibraries(std::u16string_view p, std::vector<vk::remote::MissingLibrary>& m) override {
      return c.FindMissingLibraries(p, m);
    }
    int32_t OpenStream(int port, std::unique_ptr<vk::ssh::SshStream>& s) override { return c.OpenStream(port, s); }
    std::u16string ReachedHost() const override { return c.ReachedHost(); }
    std::u16string LastErrorText() const override { return c.LastErrorText(); }
    FakeComputer& c;
  };
  int32_t Open(std::u16string_view, std::unique_ptr<vk::remote::RemoteComputer>& out, std::u16string&) override {
    ++opens;
    out = std::make_unique<Borrowed>(computer);
    return 0;
  }
  int32_t OpenUnattended(std::u16string_view name, std::unique_ptr<vk::remote::RemoteComputer>& out,
                         std::u16string& why, const vk::ManualResetEvent*) override {
    ++unattendedOpens;
    return Open(name, out, why);
  }
  FakeComputer& computer;
  int opens = 0;
  int unattendedOpens = 0;  // also counted in `opens`
};

// An RPC channel whose answers the test sets.
struct FakeRpc : cVkRpcBinder {
  struct Channel : cVkRpcChannel {
    explicit Channel(FakeRpc& rpc) : rpc(rpc) {}
    int32_t CheckListening() override {
      ++rpc.checks;
      return rpc.listening;
    }
    int32_t Call(uint32_t procedure, int32_t type, const VkRpcBuffer& in, VkRpcBuffer& out, VkRpcBuffer& outLog,
                 int32_t* status, bool* exception) override {
      rpc.lastProcedure = procedure;
      rpc.lastType = type;
      rpc.sent.assign(in.bytes, in.bytes + in.length);
      auto copy = [](const std::vector<uint8_t>& bytes, VkRpcBuffer& pair) {
        if (bytes.empty()) return;
        pair.bytes = static_cast<uint8_t*>(malloc(bytes.size()));
        std::copy(bytes.begin(), bytes.end(), pair.bytes);
        pair.length = static_cast<uint32_t>(bytes.size());
      };
      copy(rpc.answer, out);
      copy(rpc.answerLog, outLog);
      *status = rpc.status;
      *exception = rpc.exception;
      return 0;
    }
    FakeRpc& rpc;
  };
  int32_t Bind(std::unique_ptr<vk::ssh::SshStream>, std::unique_ptr<cVkRpcChannel>& channel) override {
    ++binds;
    channel = std::make_unique<Channel>(*this);
    return 0;
  }
  int binds = 0, checks = 0;
  int32_t listening = 0;
  uint32_t lastProcedure = 99;
  int32_t lastType = 0;
  std::vector<uint8_t> sent, answer, answerLog;
  int32_t status = 0;
  bool exception = false;
};

// A program folder with the agent's files as the build lays them out.
struct AgentFilesFolder {
  AgentFilesFolder() {
    char pattern[] = "/tmp/vk-admin-XXXXXX";
    path = mkdtemp(pattern);
    Write("viewkeeper-agent.files", "deskagent\nliborklog.so\nlibdeskhook.so\n");
    Write("deskagent", std::string(1000, 'a'));
    Write("liborklog.so", std::string(200, 'o'));
    Write("libdeskhook.so", std::string(30, 'h'));
    Write("viewkeeper.service",
          "[Unit]\nDescription=ViewKeeper service\nDocumentation=file:/opt/viewkeeper/README.md\n\n[Service]\n"
          "Type=notify\nExecStart=/opt/viewkeeper/deskagent\n");
  }
  ~AgentFilesFolder() { std::filesystem::remove_all(path); }
  void Write(const std::string& name, const std::string& text) const {
    std::ofstream(path + "/" + name, std::ios::binary) << text;
  }
  std::u16string Folder() const { return std::u16string(path.begin(), path.end()) + u"/"; }
  std::string path;
};
