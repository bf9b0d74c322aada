// RemoteComputer over one SSH session: systemctl for the service, SFTP into
// a staging folder and root-rights moves for files, ldd for libraries.
#include <algorithm>

#include "platform/core/error_codes.h"
#include "platform/core/text.h"
#include "platform/ssh/remote_computer.h"

namespace vk::remote {
namespace {

constexpr const char* kUnit = "viewkeeper.service";
constexpr const char* kUnitPath = "/etc/systemd/system/viewkeeper.service";

std::string Q(std::u16string_view text) { return ssh::ShellQuote(ToUtf8(text)); }

std::string ParentOf(const std::string& path) {
  size_t slash = path.find_last_of('/', path.size() > 1 ? path.size() - 2 : 0);
  if (slash == std::string::npos || slash == 0) return "/";
  return path.substr(0, slash);
}

class SshRemoteComputer : public RemoteComputer {
 public:
  explicit SshRemoteComputer(std::unique_ptr<ssh::SshSession> session) : session_(std::move(session)) {}

  int32_t QueryServiceState(uint32_t* state) override {
    *state = 0;
    std::string out;
    if (int32_t rc = Show(out); rc != 0) return rc;
    *state = StateFromShow(ShowValue(out, "LoadState"), ShowValue(out, "ActiveState"));
    return *state == 0 ? Fail(ERROR_SERVICE_DOES_NOT_EXIST, u"The unit viewkeeper.service does not exist") : 0;
  }

  int32_t QueryServiceConfig(ServiceConfig& config) override {
    std::string out;
    if (int32_t rc = Show(out); rc != 0) return rc;
    if (ShowValue(out, "LoadState") != "loaded") {
      return Fail(ERROR_SERVICE_DOES_NOT_EXIST, u"The unit viewkeeper.service does not exist");
    }
    config.displayName = FromUtf8(ShowValue(out, "Description"));
    config.binaryPath = FromUtf8(PathFromExecStart(ShowValue(out, "ExecStart")));
    return 0;
  }

  int32_t StartService() override { return Privileged(std::string("systemctl start --no-block ") + kUnit); }
  int32_t StopService() override { return Privileged(std::string("systemctl stop --no-block ") + kUnit); }

  int32_t CreateService(std::string_view unitText) override {
    std::u16string staging;
    if (int32_t rc = CreateStagingFolder(u".vk-unit-staging", &staging); rc != 0 && rc != ERROR_ALREADY_EXISTS) {
      return rc;
    }
    std::string staged = ToUtf8(staging) + "/" + kUnit;
    int32_t rc = session_->PutBytes({reinterpret_cast<const uint8_t*>(unitText.data()), unitText.size()}, staged, 0600);
    if (rc != 0) {
      RemoveStagingFolder(staging);
      return FailSession(rc);
    }
    rc = Privileged("install -m 0644 " + ssh::ShellQuote(staged) + " " + kUnitPath + ".vk-new && mv -f " + kUnitPath +
                    ".vk-new " + kUnitPath + " && systemctl daemon-reload && systemctl enable " + kUnit);
    RemoveStagingFolder(staging);
    return rc;
  }

  int32_t DeleteService() override {
    return Privileged(std::string("systemctl disable ") + kUnit + " >/dev/null 2>&1; rm " + kUnitPath + " && rm -rf " +
                      kUnitPath + ".d && systemctl daemon-reload");
  }

  int32_t CreateStagingFolder(std::u16string_view name, std::u16string* path) override {
    std::string home;
    if (int32_t rc = session_->HomeFolder(home); rc != 0) return FailSession(rc);
    std::string folder = home + (home.ends_with('/') ? "" : "/") + ToUtf8(name);
    *path = FromUtf8(folder);
    int32_t rc = session_->MakeFolder(folder, 0700);
    if (rc == ERROR_ALREADY_EXISTS) return Fail(rc, u"The staging folder exists already");
    return rc != 0 ? FailSession(rc) : 0;
  }

  int32_t RemoveStagingFolder(std::u16string_view path) override { return Run("rm -rf -- " + Q(path)); }

  int32_t FreeSpace(std::u16string_view path, uint64_t* bytes) override {
    std::string folder = ToUtf8(path);
    for (int level = 0; level < 64; ++level) {
      bool exists = false;
      if (int32_t rc = session_->Exists(folder, &exists); rc != 0) return FailSession(rc);
      if (exists) break;
      folder = ParentOf(folder);
    }
    int32_t rc = session_->FreeSpace(folder, bytes);
    return rc != 0 ? FailSession(rc) : 0;
  }

  int32_t CreateFolder(std::u16string_view path) override {
    return Privileged("if [ -d " + Q(path) + " ]; then echo 'File exists' >&2; exit 1; fi; mkdir -m 0755 -- " +
                      Q(path));
  }

  int32_t CopyFile(std::u16string_view localPath, std::u16string_view stagingFolder, std::u16string_view targetPath,
                   uint32_t mode) override {
    std::string target = ToUtf8(targetPath);
    std::string name = target.substr(target.find_last_of('/') + 1);
    std::string staged = ToUtf8(stagingFolder) + "/" + name;
    if (int32_t rc = session_->PutFile(ToUtf8(localPath), staged, 0600); rc != 0) return FailSession(rc);
    std::string temporary = ParentOf(target) + "/." + name + ".vk-new";
    char octal[8];
    snprintf(octal, sizeof octal, "%04o", mode & 07777);
    return Privileged(std::string("install -m ") + octal + " -- " + ssh::ShellQuote(staged) + " " +
                      ssh::ShellQuote(temporary) + " && mv -f -- " + ssh::ShellQuote(temporary) + " " +
                      ssh::ShellQuote(target));
  }

  int32_t DeleteFile(std::u16string_view path) override { return Privileged("rm -- " + Q(path)); }
  int32_t RemoveFolder(std::u16string_view path) override { return Privileged("rmdir -- " + Q(path)); }

  int32_t FindMissingLibraries(std::u16string_view program, std::vector<MissingLibrary>& missing) override {
    ssh::CommandResult result;
    if (int32_t rc = session_->Run("LC_ALL=C ldd " + Q(program), {}, result); rc != 0) return FailSession(rc);
    missing = MissingFromLdd(result.out);
    if (result.exitStatus != 0 && missing.empty()) return FailCommand(result);
    return 0;
  }

  int32_t OpenStream(int port, std::unique_ptr<ssh::SshStream>& stream) override {
    int32_t rc = session_->OpenForward("127.0.0.1", port, stream);
    return rc != 0 ? FailSession(rc) : 0;
  }

  std::u16string ReachedHost() const override { return FromUtf8(session_->Host()); }
  std::u16string LastErrorText() const override { return error_; }

 private:
  int32_t Show(std::string& out) {
    ssh::CommandResult result;
    int32_t rc = session_->Run(std::string("LC_ALL=C systemctl show -p LoadState -p ActiveState -p Description "
                                           "-p ExecStart ") +
                                   kUnit,
                               {}, result);
    if (rc != 0) return FailSession(rc);
    if (result.exitStatus != 0) return FailCommand(result);
    out = std::move(result.out);
    return 0;
  }

  int32_t Run(const std::string& command) {
    ssh::CommandResult result;
    if (int32_t rc = session_->Run(command, {}, result); rc != 0) return FailSession(rc);
    return result.exitStatus == 0 ? 0 : FailCommand(result);
  }

  int32_t Privileged(const std::string& command) {
    ssh::CommandResult result;
    if (int32_t rc = session_->RunPrivileged(command, result); rc != 0) return FailSession(rc);
    return result.exitStatus == 0 ? 0 : FailCommand(result);
  }

  int32_t Fail(int32_t code, std::u16string text) {
    error_ = std::move(text);
    return code;
  }
  int32_t FailSession(int32_t code) { return Fail(code, session_->LastError().text); }
  int32_t FailCommand(const ssh::CommandResult& result) {
    std::string text = result.err;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    if (text.empty()) text = "the remote command ended with status " + std::to_string(result.exitStatus);
    return Fail(CodeFromCommandError(text), FromUtf8(text));
  }

  std::unique_ptr<ssh::SshSession> session_;
  std::u16string error_;
};

class SshConnector : public RemoteConnector {
 public:
  SshConnector(const ssh::SshTarget& base, ssh::HostKeyQuestion* question) : base_(base), question_(question) {}

  int32_t Open(std::u16string_view computer, std::unique_ptr<RemoteComputer>& out, std::u16string& errorText) override {
    return Connect(computer, question_, nullptr, out, errorText);
  }
  int32_t OpenUnattended(std::u16string_view computer, std::unique_ptr<RemoteComputer>& out, std::u16string& errorText,
                         const ManualResetEvent* cancel) override {
    return Connect(computer, nullptr, cancel, out, errorText);
  }

 private:
  int32_t Connect(std::u16string_view computer, ssh::HostKeyQuestion* question, const ManualResetEvent* cancel,
                  std::unique_ptr<RemoteComputer>& out, std::u16string& errorText) {
    ssh::SshTarget target = base_;
    target.host = ToUtf8(computer);
    auto session = std::make_unique<ssh::SshSession>();
    if (int32_t rc = session->Connect(target, question, cancel); rc != 0) {
      errorText = session->LastError().text;
      return rc;
    }
    out = std::make_unique<SshRemoteComputer>(std::move(session));
    return 0;
  }

  ssh::SshTarget base_;
  ssh::HostKeyQuestion* question_;
};

}  // namespace

std::unique_ptr<RemoteConnector> MakeSshConnector(const ssh::SshTarget& base, ssh::HostKeyQuestion* question) {
  return std::make_unique<SshConnector>(base, question);
}

}  // namespace vk::remote
