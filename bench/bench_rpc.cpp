// A get and a set of the agent's settings over an open RPC connection on
// loopback, through the real listener, access check and settings save.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <thread>

#include "agent/rpc/rpc_listener.h"
#include "agent/security/agent_security.h"
#include "common/archive/object_buffer.h"
#include "common/rpc/rpc_client.h"
#include "common/settings/service_settings.h"
#include "log/orklog.h"
#include "platform/files/whole_file.h"
#include "platform/rpc/tcp_stream.h"

namespace {

// One listener for the whole program, as in the agent.
class Agent {
 public:
  Agent() {
    std::string pattern = (std::filesystem::temp_directory_path() / "bench-rpc-XXXXXX").string();
    folder_ = mkdtemp(pattern.data());
    setenv("VIEWKEEPER_REGISTRY_DIR", folder_.c_str(), 1);
    unsetenv("VIEWKEEPER_UNIT_DIR");
    security_.SetLists({u"Administrators"}, {u"Administrators"}, {u"Administrators"});
    cOrkLog log;
    security_.BuildSecurityDescriptor(log);

    vk::agent::cVkRpcAgentContext context;
    context.settings = &settings_;
    context.security = &security_;
    context.saveSettings = [this](cOrkLog&) {
      std::vector<uint8_t> bytes;
      ObjectToBuffer(&settings_, bytes);
      return vk::files::WriteWholeFileAtomic(folder_ + "/Settings.dat", bytes);
    };
    context.setupActivityLog = [](cOrkLog& l) { l.SetMemLogMask(LOG_ALL); };
    context.reportRunning = [this] { running_.Set(); };
    vk::agent::cVkRpcListenerOptions options;
    options.firstPort = 46185;
    options.listenDelay = std::chrono::milliseconds(0);
    listener_ = std::make_unique<vk::agent::cVkRpcListener>(context, options);
    listener_->Start(log, thread_);
    running_.WaitFor(std::chrono::seconds(30));
  }
  ~Agent() {
    cOrkLog log;
    listener_->StopListening(log);
    thread_.Stop();
    std::filesystem::remove_all(folder_);
  }
  uint16_t Port() const { return listener_->Port(); }

 private:
  std::string folder_;
  cVkServiceSettings settings_;
  cVkAgentSecurity security_;
  vk::ManualResetEvent running_;
  vk::WorkerThread thread_;
  std::unique_ptr<vk::agent::cVkRpcListener> listener_;
};

Agent& TheAgent() {
  static Agent agent;
  return agent;
}

void Exchange(benchmark::State& state, bool set) {
  std::unique_ptr<vk::rpc::TcpStream> stream;
  if (vk::rpc::ConnectLoopback(TheAgent().Port(), &stream) != 0) {
    state.SkipWithError("no listener");
    return;
  }
  cVkRpcClient client(*stream);
  if (client.Bind() != 0) {
    state.SkipWithError("bind failed");
    return;
  }
  cVkServiceSettings settings;
  std::vector<uint8_t> bytes;
  ObjectToBuffer(&settings, bytes);
  cVkRpcCallResult result;
  for (auto _ : state) {
    int32_t code = set ? client.SetServiceData(4, bytes, &result) : client.GetServiceData(5, &result);
    if (code != 0 || result.status != 0) {
      state.SkipWithError("call failed");
      return;
    }
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_GetSettings(benchmark::State& state) { Exchange(state, false); }
BENCHMARK(BM_GetSettings)->Unit(benchmark::kMillisecond);

// Includes the atomic save of Settings.dat after the accepted set.
void BM_SetSettings(benchmark::State& state) { Exchange(state, true); }
BENCHMARK(BM_SetSettings)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
