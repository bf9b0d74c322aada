#include "console/admin/agent_data.h"

#include "common/archive/archive.h"
#include "common/archive/field_visitor.h"
#include "console/admin/operator_ui.h"
#include "console/admin/remote_detail.h"
#include "log/orklog.h"
#include "platform/core/error_codes.h"

VK_IMPLEMENT_SERIAL(cVkAgentData, &cVkObject::classInfo, 1)

std::u16string_view VkServiceStateName(uint32_t state) {
  static constexpr std::u16string_view kNames[] = {u"Stopped",          u"Starting",      u"Stopping", u"Running",
                                                   u"Continue Pending", u"Pause Pending", u"Paused"};
  if (state < 1 || state > 7) return u"Unknown";
  return kNames[state - 1];
}

cVkAgentData::cVkAgentData(std::u16string computerName) : computerName_(std::move(computerName)) {}

cVkAgentData::~cVkAgentData() {
  // The binding's stream runs over the connection: it goes first.
  binding_.reset();
  remote_.reset();
}

void cVkAgentData::Serialize(cVkArchive& ar) {
  if (ar.IsStoring()) {
    ar.WriteDword(1);
    ar.WriteString(computerName_);
    ar.WriteString(serviceName_);
    ar.WriteString(addressText_);
    ar.WriteDword(serviceState_);
    ar.WriteDword(resolve_ ? 1 : 0);
    return;
  }
  if (ar.ReadDword() != 1) return;
  ar.Read(computerName_);
  ar.Read(serviceName_);
  ar.Read(addressText_);
  ar.Read(serviceState_);
  uint32_t resolve = 1;
  ar.Read(resolve);
  resolve_ = resolve != 0;
}

void cVkAgentData::VisitFields(cVkFieldVisitor& visitor) const {
  visitor.Text("computerName", computerName_);
  visitor.Text("serviceName", serviceName_);
  visitor.Text("addressText", addressText_);
  visitor.Number("serviceState", serviceState_);
  visitor.Number("resolve", resolve_ ? 1 : 0);
}

void cVkAgentData::Invalidate() {
  binding_.reset();
  remote_.reset();
  resolve_ = true;
}

void cVkAgentData::NoteFailure(int32_t code) {
  switch (code) {
    case WSAECONNRESET:
    case WSAENOTCONN:
    case WSAETIMEDOUT:
    case WSAECONNREFUSED:
    case WSAEHOSTUNREACH:
    case WSAENETUNREACH:
    case WSAHOST_NOT_FOUND:
    case ERROR_UNEXP_NET_ERR:
      Invalidate();
      break;
    default:
      break;
  }
}

void cVkAgentData::Wait(uint32_t milliseconds) const {
  if (context_ != nullptr && context_->wait) context_->wait(milliseconds);
}

int32_t cVkAgentData::Remote(cOrkLog& log, vk::remote::RemoteComputer** computer) {
  *computer = nullptr;
  if (remote_ == nullptr) {
    if (context_ == nullptr || context_->connector == nullptr) {
      log.LogMsg(LOG_ERROR, ERROR_NOT_READY, u"No way to reach other computers is set up. Errorcode %ld.",
                 ERROR_NOT_READY);
      return ERROR_NOT_READY;
    }
    std::u16string why;
    int32_t rc = context_->connector->Open(computerName_, remote_, why);
    if (rc != 0) {
      VkLogRemoteDetail(log, rc, why);
      Invalidate();
      return rc;
    }
  }
  *computer = remote_.get();
  return 0;
}

int32_t cVkAgentData::OpenService(cOrkLog& log, cVkProgressWindow* progress) {
  VkProgress(progress, u"Progress: Connecting to the service manager.");
  vk::remote::RemoteComputer* computer = nullptr;
  if (int32_t rc = Remote(log, &computer); rc != 0) {
    log.LogNetMsg(LOG_ERROR, rc, u"Error opening service management database on computer %s. Errorcode %ld.",
                  computerName_, rc);
    return rc;
  }
  VkProgress(progress, u"Progress: Connecting to the ViewKeeper service.");
  uint32_t state = 0;
  int32_t rc = computer->QueryServiceState(&state);
  if (rc != 0) {
    if (rc != ERROR_SERVICE_DOES_NOT_EXIST) VkLogRemoteDetail(log, rc, computer->LastErrorText());
    log.LogNetMsg(LOG_ERROR, rc, u"Error connecting to service on computer %s. Errorcode %ld.", computerName_, rc);
    NoteFailure(rc);
  }
  return rc;
}

int32_t cVkAgentData::QueryConfig(cOrkLog& log, cVkProgressWindow* progress, vk::remote::ServiceConfig& config) {
  if (int32_t rc = OpenService(log, progress); rc != 0) {
    log.LogMsg(LOG_ERROR, rc, u"An error has occurred while getting the service handle. Errorcode %ld.", rc);
    return rc;
  }
  VkProgress(progress, u"Progress: Querying the ViewKeeper service configuration.");
  int32_t rc = remote_->QueryServiceConfig(config);
  if (rc != 0) {
    VkLogRemoteDetail(log, rc, remote_->LastErrorText());
    log.LogNetMsg(LOG_ERROR, rc, u"Error querying service configuration. Errorcode %ld.", rc);
    NoteFailure(rc);
  }
  return rc;
}

int32_t cVkAgentData::QueryStatus(cOrkLog& log, cVkProgressWindow* progress) {
  serviceState_ = 0;
  int32_t rc = OpenService(log, progress);
  if (rc == ERROR_SERVICE_DOES_NOT_EXIST) return 0;
  if (rc != 0) {
    log.LogMsg(LOG_ERROR, rc,
               u"An error has occurred while getting the service status.  Could not get service handle. Errorcode %ld.",
               rc);
    return rc;
  }
  VkProgress(progress, u"Progress: Querying the ViewKeeper service state on computer " + computerName_ + u".");
  uint32_t state = 0;
  rc = remote_->QueryServiceState(&state);
  if (rc == ERROR_SERVICE_DOES_NOT_EXIST) return 0;
  if (rc != 0) {
    VkLogRemoteDetail(log, rc, remote_->LastErrorText());
    log.LogNetMsg(LOG_ERROR, rc, u"Error querying service status. Errorcode %ld,", rc);
    NoteFailure(rc);
    return rc;
  }
  serviceState_ = state;
  return 0;
}

int32_t cVkAgentData::OpenServiceFor(cOrkLog& log, cVkProgressWindow* progress, const ServiceStepTexts& texts) {
  const int32_t rc = OpenService(log, progress);
  if (rc != 0) log.LogMsg(LOG_ERROR, rc, texts.noHandle, rc);
  return rc;
}

int32_t cVkAgentData::QueryStatusFor(cOrkLog& log, cVkProgressWindow* progress, const ServiceStepTexts& texts) {
  const int32_t rc = QueryStatus(log, progress);
  if (rc != 0) log.LogMsg(LOG_ERROR, rc, texts.noStatus, rc);
  return rc;
}

int32_t cVkAgentData::Stop(cOrkLog& log, cVkProgressWindow* progress) {
  constexpr ServiceStepTexts kTexts{
      u"An error has occurred while stopping the service.  Could not get service handle. Errorcode %ld.",
      u"An error has occurred while stopping the service. Could not query the service status. Errorcode %ld."};
  auto query = [&] { return QueryStatusFor(log, progress, kTexts); };
  if (int32_t rc = OpenServiceFor(log, progress, kTexts); rc != 0) return rc;
  if (int32_t rc = query(); rc != 0) return rc;
  if (serviceState_ != vk::remote::kServiceStopped) {
    VkProgress(progress, u"Progress: Stopping the service.");
    if (int32_t rc = remote_->StopService(); rc != 0) {
      VkLogRemoteDetail(log, rc, remote_->LastErrorText());
      log.LogNetMsg(LOG_ERROR, rc, u"Error stopping the service on computer %s. Errorcode %ld.", computerName_, rc);
      NoteFailure(rc);
      return rc;
    }
  }
  for (int32_t seconds = 0;; ++seconds) {
    if (serviceState_ == vk::remote::kServiceStopped || serviceState_ == 0) return 0;
    if (seconds > kMaxStopSeconds) {
      log.LogMsg(LOG_ERROR, -1,
                 u"An error has occurred while stopping the service. Operation timed out. Errorcode %ld.", -1);
      return -1;
    }
    VkProgress(progress, u"Progress: Waiting for the service to stop (" + vk::Format(u"%ld", seconds) + u" seconds).");
    Wait(1000);
    if (int32_t rc = query(); rc != 0) return rc;
  }
}

int32_t cVkAgentData::Start(cOrkLog& log, cVkProgressWindow* progress) {
  constexpr ServiceStepTexts kTexts{
      u"An error has occurred while starting the service.  Could not get service handle. Errorcode %ld.",
      u"An error has occurred while starting the service. Could not query the service status. Errorcode %ld."};
  auto query = [&] { return QueryStatusFor(log, progress, kTexts); };
  if (int32_t rc = OpenServiceFor(log, progress, kTexts); rc != 0) return rc;
  if (int32_t rc = query(); rc != 0) return rc;
  int32_t tries = 0;
  int32_t seconds = 0;
  int32_t kept = 0;
  while (serviceState_ != vk::remote::kServiceRunning) {
    bool stoppedAfterLastTry = serviceState_ == vk::remote::kServiceStopped && tries >= kMaxStartTries;
    if (serviceState_ == vk::remote::kServiceStopped && !stoppedAfterLastTry) {
      ++tries;
      VkProgress(progress, u"Progress: Starting the ViewKeeper service. Try " + vk::Format(u"%ld", tries) + u".");
      if (int32_t rc = remote_->StartService(); rc != 0) {
        VkLogRemoteDetail(log, rc, remote_->LastErrorText());
        log.LogNetMsg(LOG_ERROR, rc, u"Error starting the service on computer %s. Errorcode %ld.", computerName_, rc);
        kept = rc;
      }
    } else if (!stoppedAfterLastTry) {
      ++seconds;
      if (serviceState_ == vk::remote::kServiceStartPending) {
        VkProgress(progress, u"Progress: Waiting for the ViewKeeper service to start (" + vk::Format(u"%ld", seconds) +
                                 u" seconds).");
      } else if (serviceState_ == vk::remote::kServiceStopPending) {
        VkProgress(progress,
                   u"Progress: The ViewKeeper service is still stopping. When it has stopped it will be restarted (" +
                       vk::Format(u"%ld", seconds) + u" seconds).");
      }
    }
    // The last request still gets its time: the start fails only once the
    // service is back at stopped after it, or the seconds are used up.
    if (stoppedAfterLastTry || seconds >= kMaxStartSeconds) {
      int32_t code = kept != 0 ? kept : -1;
      log.LogMsg(LOG_ERROR, code, u"The service has failed to start. Current service state is '%s'. Errorcode %ld.",
                 VkServiceStateName(serviceState_), code);
      return code;
    }
    Wait(1000);
    if (int32_t rc = query(); rc != 0) return rc;
  }
  return 0;
}
