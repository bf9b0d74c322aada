#include "agent/rpc/rpc_listener.h"

#include <atomic>
#include <optional>
#include <string>

#include "agent/rpc/config_calls.h"
#include "agent/rpc/connection_pool.h"
#include "common/archive/register_archive.h"
#include "common/mfclog/mfc_log.h"
#include "common/rpc/rpc_server.h"
#include "common/security_lists/service_security.h"
#include "common/settings/register_settings.h"
#include "log/orklog.h"
#include "platform/accounts/account_lookup.h"
#include "platform/core/error_codes.h"
#include "platform/rpc/peer_uid.h"
#include "platform/rpc/tcp_stream.h"

namespace vk::agent {

struct cVkRpcListener::Shared {
  Shared(const cVkRpcAgentContext& c, const cVkRpcListenerOptions& o) : context(c), options(o) {}

  void EndListening() {
    stopListening.Set();
    listener.Wake();
  }

  const cVkRpcAgentContext context;
  const cVkRpcListenerOptions options;
  vk::rpc::TcpListener listener;
  vk::ManualResetEvent stopListening;
  std::atomic<uint16_t> port{0};
};

namespace {

// The caller: the token of the uid that owns the connecting socket; none
// when the kernel or NSS cannot name it.
std::optional<vk::AccessToken> IdentifyCaller(vk::rpc::TcpStream& stream) {
  uint32_t uid = 0;
  if (vk::rpc::LookupPeerUid(stream.Descriptor(), &uid) != 0) return std::nullopt;
  vk::AccessToken token;
  if (vk::BuildTokenForUid(uid, &token) != 0) return std::nullopt;
  return token;
}

}  // namespace

// The body of the listener thread, one run.
class cVkRpcListenerThread {
 public:
  cVkRpcListenerThread(cVkRpcListener::Shared& shared, vk::ManualResetEvent& stop) : s_(shared), stop_(stop) {
    if (s_.context.setupActivityLog) s_.context.setupActivityLog(log_);
  }

  int32_t Run();

 private:
  int32_t OpenEndpoint(bool* listening);
  int32_t Fail(int32_t code);
  int32_t ServeUntilStopped();
  void Serve(vk::rpc::TcpStream& stream);

  // Once the service stops, its state is stop pending: no more start reports.
  void ReportStartPending(uint32_t hint) {
    if (s_.context.reportStartPending && !s_.stopListening.IsSet()) s_.context.reportStartPending(hint);
  }
  void ReportStopPending(uint32_t hint) {
    if (s_.context.reportStopPending) s_.context.reportStopPending(hint);
  }
  int32_t Publish(int32_t port) { return s_.context.publishPort ? s_.context.publishPort(log_, port) : 0; }
  void StopService() {
    if (s_.context.requestServiceStop) s_.context.requestServiceStop();
  }
  // The reason the service stops, also for the event log.
  template <class... Args>
  void LogCritical(int32_t code, vk::WideFormatString<Args...> format, const Args&... args) {
    log_.LogMsg(LOG_ERROR, code, format, args...);
    if (s_.context.serviceLog) s_.context.serviceLog->LogMsg(LOG_ERROR, code, format, args...);
  }
  int32_t Finish(int32_t code) {
    if (log_.CountMessages(LOG_ERROR) != 0 && s_.context.appendLogToFile) s_.context.appendLogToFile(log_);
    return code;
  }

  cVkRpcListener::Shared& s_;
  vk::ManualResetEvent& stop_;
  cOrkLog log_;
};

int32_t cVkRpcListenerThread::Run() {
  // The worker's own stop (the stop routine's last step) ends listening too.
  auto wake = stop_.OnSet([this] { s_.EndListening(); });
  bool listening = false;
  int32_t code = OpenEndpoint(&listening);
  if (code != 0) return code;

  ReportStartPending(4000);
  if (!listening) {
    code = RPC_S_NO_BINDINGS;
    log_.LogNetMsg(LOG_ERROR, code, u"Error getting rpc binding handles. Errorcode %ld.", code);
    return Fail(code);
  }

  // The interface needs no registration of its own; the caller's identity
  // comes from the kernel, which must answer.
  ReportStartPending(4000);
  ReportStartPending(4000);
  code = vk::rpc::ProbePeerLookup();
  if (code != 0) {
    log_.LogNetMsg(LOG_ERROR, code, u"Error registering rpc authentication information. Errorcode %ld.", code);
    return Fail(code);
  }

  ReportStartPending(6000);
  s_.stopListening.WaitFor(s_.options.listenDelay);
  s_.port = s_.listener.Port();
  if (!s_.stopListening.IsSet() && s_.context.reportRunning) s_.context.reportRunning();
  code = ServeUntilStopped();
  if (code != 0) {
    log_.LogNetMsg(LOG_ERROR, code, u"Error waiting for rpc calls. Errorcode %ld.", code);
    return Fail(code);
  }
  return Finish(0);
}

// Takes the first free port and publishes it. *listening stays false when
// every port was taken. A failure here has ended the run already.
int32_t cVkRpcListenerThread::OpenEndpoint(bool* listening) {
  for (int attempt = 0; attempt < s_.options.portAttempts; ++attempt) {
    auto port = static_cast<uint16_t>(s_.options.firstPort + attempt);
    int32_t code = s_.listener.Listen(port, s_.options.backlog);
    if (code == RPC_S_CANT_CREATE_ENDPOINT || code == RPC_S_DUPLICATE_ENDPOINT) continue;
    if (code != 0) {
      log_.LogNetMsg(LOG_ERROR, code, u"Error initializing PRC protocol. Errorcode %ld.", code);
      return Fail(code);
    }
    code = Publish(port);
    if (code != 0) {
      s_.listener.Close();
      LogCritical(code,
                  u"An error has occurred while publishing the RPC port %ld in the service display name. The service "
                  u"stops. Errorcode %ld.",
                  static_cast<int32_t>(port), code);
      StopService();
      return Finish(code);
    }
    *listening = true;
    return 0;
  }
  return 0;
}

// A listener that cannot serve ends the service rather than leave it start
// pending with a stale port in its display name.
int32_t cVkRpcListenerThread::Fail(int32_t code) {
  s_.listener.Close();
  s_.port = 0;
  Publish(-1);
  LogCritical(code, u"An error has occurred while initializing the RPC listener. The service stops. Errorcode %ld.",
              code);
  StopService();
  return Finish(code);
}

int32_t cVkRpcListenerThread::ServeUntilStopped() {
  cVkConnectionPool pool(s_.options.maxConnections);
  int32_t code = 0;
  while (!s_.stopListening.IsSet() && pool.WaitForSlot()) {
    std::unique_ptr<vk::rpc::TcpStream> stream;
    code = s_.listener.Accept(&stream);
    if (code == ERROR_OPERATION_ABORTED) {
      code = 0;
      break;
    }
    if (code != 0) break;
    pool.Run(std::move(stream), [this](vk::rpc::TcpStream& connection) { Serve(connection); });
  }
  if (code == 0) ReportStopPending(4000);
  s_.listener.Close();
  s_.port = 0;
  if (code == 0) ReportStopPending(2000);
  // Calls in progress finish; idle connections end.
  pool.Close();
  return code;
}

void cVkRpcListenerThread::Serve(vk::rpc::TcpStream& stream) {
  stream.SetMessageTimeout(s_.options.idleTimeout);
  cVkConfigCalls calls(s_.context, IdentifyCaller(stream));
  VkRpcServerOptions options;
  options.port = std::to_string(s_.port.load());
  VkRpcServeConnection(stream, calls, options, &stream);
}

cVkRpcListener::cVkRpcListener(cVkRpcAgentContext context, cVkRpcListenerOptions options)
    : context_(std::move(context)), options_(options), shared_(std::make_shared<Shared>(context_, options_)) {
  // The classes that calls receive and send.
  VkRegisterSettingsClasses();
  VkRegisterClasses<cVkServiceSecurity>();
  VkRegisterMfcLogClasses();
}

cVkRpcListener::~cVkRpcListener() { shared_->EndListening(); }

// Each start has its own listening state; the thread keeps it alive.
int32_t cVkRpcListener::Start(cOrkLog&, vk::WorkerThread& thread) {
  shared_ = std::make_shared<Shared>(context_, options_);
  std::shared_ptr<Shared> shared = shared_;
  return thread.Start([shared](vk::ManualResetEvent& stop) -> int32_t {
    cVkRpcListenerThread body(*shared, stop);
    return body.Run();
  });
}

int32_t cVkRpcListener::StopListening(cOrkLog&) {
  shared_->EndListening();
  return 0;
}

uint16_t cVkRpcListener::Port() const { return shared_->port.load(); }

}  // namespace vk::agent
