// RemoteComputer: what the agent manager does on a managed computer, in the
// shape of the service manager, file and network calls it needs: the agent's
// systemd unit (viewkeeper.service), files copied through a private staging
// folder, a check that a program's libraries resolve, and a TCP stream to a
// port of the computer's loopback interface.
//
// Answers are 0 or Win32-numbered codes; LastErrorText() says what happened.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ssh/ssh_session.h"
#include "platform/ssh/ssh_target.h"

namespace vk::remote {

// Service states as the service manager reports them (0: no service).
inline constexpr uint32_t kServiceStopped = 1;
inline constexpr uint32_t kServiceStartPending = 2;
inline constexpr uint32_t kServiceStopPending = 3;
inline constexpr uint32_t kServiceRunning = 4;

struct ServiceConfig {
  std::u16string displayName;
  std::u16string binaryPath;
};

struct MissingLibrary {
  std::u16string library;
  std::u16string package;  // the Debian package that provides it, empty when unknown
};

class RemoteComputer {
 public:
  virtual ~RemoteComputer() = default;

  // The agent's service. State 1-4; ERROR_SERVICE_DOES_NOT_EXIST without one.
  virtual int32_t QueryServiceState(uint32_t* state) = 0;
  virtual int32_t QueryServiceConfig(ServiceConfig& config) = 0;
  virtual int32_t StartService() = 0;  // returns once the request is made
  virtual int32_t StopService() = 0;
  // Installs `unitText` as the service's unit and enables it.
  virtual int32_t CreateService(std::string_view unitText) = 0;
  virtual int32_t DeleteService() = 0;

  // A folder only the login user can use (0700) below its home folder;
  // ERROR_ALREADY_EXISTS when the name is taken.
  virtual int32_t CreateStagingFolder(std::u16string_view name, std::u16string* path) = 0;
  virtual int32_t RemoveStagingFolder(std::u16string_view path) = 0;
  // Bytes free on the file system that holds `path` (or its nearest parent).
  virtual int32_t FreeSpace(std::u16string_view path, uint64_t* bytes) = 0;
  // With root rights: one folder (0755; ERROR_ALREADY_EXISTS when there).
  virtual int32_t CreateFolder(std::u16string_view path) = 0;
  // Copies a local file into the staging folder, then with root rights to a
  // temporary name beside `targetPath` and renames it over the target.
  virtual int32_t CopyFile(std::u16string_view localPath, std::u16string_view stagingFolder,
                           std::u16string_view targetPath, uint32_t mode) = 0;
  virtual int32_t DeleteFile(std::u16string_view path) = 0;
  virtual int32_t RemoveFolder(std::u16string_view path) = 0;
  // The shared libraries `program` needs and the computer lacks.
  virtual int32_t FindMissingLibraries(std::u16string_view program, std::vector<MissingLibrary>& missing) = 0;

  // A byte stream to 127.0.0.1:port of the computer.
  virtual int32_t OpenStream(int port, std::unique_ptr<ssh::SshStream>& stream) = 0;
  // The address the computer was reached at.
  virtual std::u16string ReachedHost() const = 0;
  virtual std::u16string LastErrorText() const = 0;
};

// Opens a computer by the name the operator gave.
class RemoteConnector {
 public:
  virtual ~RemoteConnector() = default;
  // On failure `errorText` says why (host key, login, network).
  virtual int32_t Open(std::u16string_view computer, std::unique_ptr<RemoteComputer>& computerOut,
                       std::u16string& errorText) = 0;
  // As Open, for work nobody watches (the states beside the browse tree):
  // nothing is asked of anyone, so a host key known_hosts does not hold yet
  // is refused and no password is asked for. Setting `cancel` (when given)
  // ends the wait for a computer that does not answer (ERROR_CANCELLED).
  virtual int32_t OpenUnattended(std::u16string_view computer, std::unique_ptr<RemoteComputer>& computerOut,
                                 std::u16string& errorText, const ManualResetEvent* cancel) = 0;
};

// The connector over SSH: `base` gives the options every session shares
// (config file, known hosts, keys, password); the computer name is the host.
std::unique_ptr<RemoteConnector> MakeSshConnector(const ssh::SshTarget& base, ssh::HostKeyQuestion* question);

// Parsing helpers of the SSH implementation, exposed for their tests.
// "Key=Value" lines of `systemctl show`.
std::string ShowValue(std::string_view output, std::string_view key);
// State of the ActiveState/LoadState pair; 0 when the unit is not loaded.
uint32_t StateFromShow(std::string_view loadState, std::string_view activeState);
// The program path of an ExecStart property ("{ path=/x ; argv[]=... }").
std::string PathFromExecStart(std::string_view execStart);
// The libraries ldd reports as "not found", with their packages.
std::vector<MissingLibrary> MissingFromLdd(std::string_view lddOutput);
// Win32 code for the error text of a failed remote command.
int32_t CodeFromCommandError(std::string_view stderrText);

}  // namespace vk::remote
