// vkctl: the agent manager on the command line.
#include <atomic>
#include <cstdio>
#include <thread>

#include "console/admin/agent_manager.h"
#include "console/admin/ssh_rpc_binder.h"
#include "platform/core/text.h"
#include "platform/service/process_info.h"
#include "platform/terminal/terminal.h"
#include "tools/vkctl/host_job.h"
#include "common/json/json_string.h"
#include "tools/vkctl/terminal_ui.h"

namespace {

std::vector<VkctlHostResult> RunAll(const VkctlShared& shared) {
  const std::vector<std::string>& hosts = shared.options.hosts;
  std::vector<VkctlHostResult> results(hosts.size());
  std::atomic<size_t> next{0};
  auto worker = [&] {
    for (size_t i = next++; i < hosts.size(); i = next++) results[i] = RunVkctlHost(shared, hosts[i]);
  };
  size_t count = std::min(hosts.size(), static_cast<size_t>(shared.options.parallel));
  std::vector<std::thread> threads;
  for (size_t i = 0; i < count; ++i) threads.emplace_back(worker);
  for (std::thread& t : threads) t.join();
  return results;
}

void PrintJson(const std::vector<VkctlHostResult>& results) {
  std::string out = "{\"results\":[";
  for (size_t i = 0; i < results.size(); ++i) {
    const VkctlHostResult& r = results[i];
    out += (i ? "," : "") + std::string("{\"host\":") + VkJsonString(r.host) +
           ",\"ok\":" + (r.code == 0 ? "true" : "false") + ",\"code\":" + std::to_string(r.code);
    if (!r.state.empty()) out += ",\"state\":" + VkJsonString(r.state);
    if (!r.values.empty()) {
      out += ",\"values\":{";
      for (size_t j = 0; j < r.values.size(); ++j) {
        out += (j ? "," : "") + VkJsonString(r.values[j].first) + ":" + VkJsonString(r.values[j].second);
      }
      out += "}";
    }
    for (const auto& [name, lines] : {std::pair{"log", &r.log}, std::pair{"notes", &r.notes}}) {
      out += std::string(",\"") + name + "\":[";
      for (size_t j = 0; j < lines->size(); ++j) out += (j ? "," : "") + VkJsonString((*lines)[j]);
      out += "]";
    }
    out += "}";
  }
  std::printf("%s]}\n", out.c_str());
}

void PrintText(const VkctlOptions& options, const std::vector<VkctlHostResult>& results) {
  bool several = results.size() > 1;
  for (const VkctlHostResult& r : results) {
    std::string prefix = several ? r.host + ": " : "";
    if (r.code != 0) {
      std::fprintf(stderr, "%s: %s failed, Errorcode %d.\n", r.host.c_str(), options.command.c_str(), r.code);
      for (const std::string& line : r.log) std::fprintf(stderr, "%s:   %s\n", r.host.c_str(), line.c_str());
      continue;
    }
    if (!r.state.empty()) std::printf("%s: %s\n", r.host.c_str(), r.state.c_str());
    for (const auto& [name, value] : r.values) std::printf("%s%s=%s\n", prefix.c_str(), name.c_str(), value.c_str());
    if (r.state.empty() && r.values.empty()) std::printf("%s: %s done\n", r.host.c_str(), options.command.c_str());
  }
}

bool ReadPassword(const VkctlOptions& options, std::string& password) {
  if (options.passwordStdin) return vk::terminal::ReadStdinLine(password);
  if (!options.passwordEnv.empty()) return vk::terminal::GetEnvironment(options.passwordEnv, password);
  return true;
}

std::u16string FilesFolder(const VkctlOptions& options) {
  std::u16string folder = vk::FromUtf8(options.filesFolder);
  if (folder.empty()) {
    folder = vk::service::ProgramFilePath();
    folder = folder.substr(0, folder.find_last_of(u'/') + 1);
  }
  if (!folder.empty() && folder.back() != u'/') folder += u'/';
  return folder;
}

}  // namespace

int main(int argc, char** argv) {
  VkctlShared shared;
  std::string error;
  ParseOutcome outcome = ParseVkctlOptions(std::vector<std::string>(argv + 1, argv + argc), shared.options, error);
  if (outcome == ParseOutcome::Help) {
    std::fputs(VkctlHelpText(), stdout);
    return 0;
  }
  if (outcome == ParseOutcome::Usage) {
    std::fprintf(stderr, "vkctl: %s\nTry 'vkctl --help'.\n", error.c_str());
    return 2;
  }
  VkRegisterAdminClasses();
  const VkctlOptions& o = shared.options;
  if (!ReadPassword(o, shared.base.password)) {
    std::fprintf(stderr, "vkctl: no password on standard input or in $%s\n", o.passwordEnv.c_str());
    return 2;
  }
  shared.base.user = o.user;
  shared.base.port = o.port;
  shared.base.configFile = o.sshConfig;
  shared.base.knownHostsFile = o.knownHosts;
  shared.base.identityFiles = o.identities;
  shared.filesFolder = FilesFolder(o);
  cVkSshRpcBinder binder;
  shared.binder = &binder;

  std::vector<VkctlHostResult> results = RunAll(shared);
  std::fill(shared.base.password.begin(), shared.base.password.end(), '\0');
  if (o.json)
    PrintJson(results);
  else
    PrintText(o, results);
  for (const VkctlHostResult& r : results) {
    if (r.code != 0) return 1;
  }
  return 0;
}
