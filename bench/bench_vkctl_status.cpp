// `vkctl status` for many hosts against one test sshd: the parallel bound
// against one host at a time. Run as root (it starts its own sshd in a
// private mount namespace, as the tests do).
#include <benchmark/benchmark.h>
#include <sys/wait.h>

#include "platform/ssh/testing/test_sshd.h"

namespace {

vk::testing::TestSshd* sshd = nullptr;

std::string Hosts(int count) {
  std::string hosts;
  for (int i = 0; i < count; ++i) hosts += " 127.0.0.1";
  return hosts;
}

void Status(benchmark::State& state) {
  if (sshd == nullptr || !sshd->Ready()) {
    state.SkipWithError("no private namespaces or sshd here");
    return;
  }
  std::string command = std::string("HOME=") + sshd->Folder() + " SSH_AUTH_SOCK= " + VKCTL_PATH +
                        " --quiet --ssh-config none --user root --port " + std::to_string(sshd->Port()) +
                        " --identity " + sshd->ClientKey().path + " --known-hosts " + sshd->Folder() +
                        "/known_hosts --parallel " + std::to_string(state.range(1)) + " status" +
                        Hosts(static_cast<int>(state.range(0))) + " >/dev/null 2>&1";
  for (auto _ : state) {
    int status = std::system(command.c_str());
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) state.SkipWithError("vkctl status failed");
  }
  state.counters["hosts"] = static_cast<double>(state.range(0));
}

BENCHMARK(Status)->Args({1, 8})->Args({50, 1})->Args({50, 8})->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  if (vk::testing::EnterPrivateNamespaces({"/usr/local/sbin"})) {
    // A service manager that knows no agent: status answers "not installed".
    vk::testing::WriteText(
        "/usr/local/sbin/systemctl",
        "#!/bin/sh\nprintf 'LoadState=not-found\\nActiveState=inactive\\nDescription=\\nExecStart=\\n'\n", 0755);
    sshd = new vk::testing::TestSshd("MaxStartups 100\nMaxSessions 100\n");
    if (sshd->Ready()) {
      vk::testing::WriteText(sshd->Folder() + "/known_hosts", sshd->KnownHostsLine(sshd->HostKey().publicLine) + "\n");
    }
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  delete sshd;
  return 0;
}
