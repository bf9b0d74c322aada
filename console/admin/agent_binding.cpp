// The agent's published port and build, the computer's address, and the
// RPC binding of a record.
#include "common/socket/socket.h"
#include "console/admin/agent_data.h"
#include "console/admin/display_name.h"
#include "console/admin/operator_ui.h"
#include "console/admin/remote_detail.h"
#include "log/orklog.h"
#include "platform/core/error_codes.h"

int32_t cVkAgentData::ReadDisplayName(cOrkLog& log, cVkProgressWindow* progress, std::u16string& name) {
  vk::remote::ServiceConfig config;
  int32_t rc = QueryConfig(log, progress, config);
  if (rc != 0) {
    log.LogMsg(LOG_ERROR, rc, u"An error occurred while retrieving the serviceconfiguration. Errorcode %ld.", rc);
    return rc;
  }
  name = config.displayName;
  return 0;
}

int32_t cVkAgentData::ReadPort(cOrkLog& log, cVkProgressWindow* progress, int32_t* port) {
  *port = 0;
  std::u16string name;
  if (int32_t rc = ReadDisplayName(log, progress, name); rc != 0) return rc;
  if (VkParsePublishedPort(name, port) != 0) {
    log.LogMsg(LOG_ERROR, -1, u"The service's display name '%s' holds no valid port number. Errorcode %ld.", name, -1);
    return -1;
  }
  return 0;
}

int32_t cVkAgentData::ReadBuild(cOrkLog& log, cVkProgressWindow* progress, int32_t* build) {
  *build = 0;
  VkProgress(progress, u"Progress: Checking service version number.");
  std::u16string name;
  int32_t rc = ReadDisplayName(log, progress, name);
  if (rc == 0 && VkParsePublishedBuild(name, build) != 0) {
    log.LogMsg(LOG_ERROR, -1, u"The service's display name '%s' holds no valid build number. Errorcode %ld.", name, -1);
    rc = -1;
  }
  if (rc != 0) {
    log.LogMsg(LOG_ERROR, rc,
               u"An error occurred while getting the version of the service on computer: %s. Errorcode %ld.",
               computerName_, rc);
  }
  return rc;
}

int32_t cVkAgentData::GetAddressText(cOrkLog& log, bool force, std::u16string& text, cVkProgressWindow* progress) {
  if (!addressText_.empty() && !force) {
    text = addressText_;
    return 0;
  }
  VkProgress(progress, u"Progress: Getting TCP/IP address for computer '" + computerName_ + u"'.");
  // The name the connection reached (the SSH configuration may map the
  // computer name to another host name).
  vk::remote::RemoteComputer* computer = nullptr;
  int32_t rc = Remote(log, &computer);
  std::u16string resolved;
  if (rc == 0) rc = ResolveAddressText(log, computer->ReachedHost(), &resolved);
  if (rc != 0) {
    log.LogNetMsg(LOG_ERROR, rc, u"Error resolving TCP/IP address for computer '%s'. Errorcode %ld.", computerName_,
                  rc);
    return rc;
  }
  addressText_ = resolved;
  resolve_ = false;
  text = resolved;
  return 0;
}

int32_t cVkAgentData::ComposeBinding(cOrkLog& log, cVkProgressWindow* progress) {
  int32_t port = 0;
  int32_t rc = ReadPort(log, progress, &port);
  if (rc != 0) {
    log.LogMsg(LOG_ERROR, rc,
               u"An error has occurred while retrieving the portnumber for the service on computer %s. Errorcode %ld.",
               computerName_, rc);
    return rc;
  }
  std::u16string address;
  if (rc = GetAddressText(log, resolve_, address, progress); rc != 0) {
    log.LogMsg(LOG_ERROR, rc, u"An error has occurred while getting the TCP/IP address of computer %s. Errorcode %ld.",
               computerName_, rc);
    return rc;
  }
  // The binding runs through the connection to the computer, to the port on
  // its loopback interface: the agent listens there only.
  VkProgress(progress, u"Progress: Composing binding string.");
  VkProgress(progress, u"Progress: Composing binding handle.");
  std::unique_ptr<vk::ssh::SshStream> stream;
  rc = remote_->OpenStream(port, stream);
  if (rc != 0) VkLogRemoteDetail(log, rc, remote_->LastErrorText());
  if (rc == 0 && (context_ == nullptr || context_->binder == nullptr)) {
    rc = ERROR_CALL_NOT_IMPLEMENTED;
    log.LogMsg(LOG_ERROR, rc, u"This program has no RPC client for the configuration interface yet. Errorcode %ld.",
               rc);
  }
  if (rc == 0) rc = context_->binder->Bind(std::move(stream), binding_);
  if (rc != 0) {
    log.LogNetMsg(LOG_ERROR, rc, u"Error binding RPC from string for the service on computer %s. Errorcode %ld.",
                  computerName_, rc);
    binding_.reset();
    resolve_ = true;
    return rc;
  }
  // The caller's identity is its login on the computer: nothing more to set.
  VkProgress(progress, u"Progress: Setting authentication information.");
  return 0;
}

int32_t cVkAgentData::CheckBinding(cOrkLog& log, cVkProgressWindow* progress) {
  VkProgress(progress, u"Progress: Checking service RPC communication.");
  int32_t rc = binding_->CheckListening();
  if (rc != 0) {
    log.LogNetMsg(LOG_ERROR, rc, u"Error checking RPC binding handle. Errorcode %ld.", rc);
    binding_.reset();
  }
  return rc;
}

int32_t cVkAgentData::GetBinding(cOrkLog& log, cVkRpcChannel** binding, cVkProgressWindow* progress) {
  *binding = nullptr;
  if (binding_ == nullptr) {
    if (int32_t rc = ComposeBinding(log, progress); rc != 0) {
      resolve_ = true;
      log.LogMsg(LOG_ERROR, rc,
                 u"An error occurred while composing the string binding handle for the service on computer: %s. "
                 u"Errorcode %ld.",
                 computerName_, rc);
      return rc;
    }
  }
  int32_t rc = CheckBinding(log, progress);
  if (rc != 0) {
    // The next attempt reconnects and resolves the name again.
    Invalidate();
    if (int32_t state = QueryStatus(log, progress); state != 0) rc = state;
    log.LogMsg(LOG_ERROR, rc,
               u"An error occurred while checking the RPC communication with the service on computer: %s. Errorcode "
               u"%ld.",
               computerName_, rc);
    return rc;
  }
  *binding = binding_.get();
  return 0;
}
