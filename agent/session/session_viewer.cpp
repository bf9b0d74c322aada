#include "agent/session/session_viewer.h"

#include "common/protocol/secure_wipe.h"
#include "log/orklog.h"
#include "log/text_escape.h"
#include "platform/core/error_codes.h"

namespace vk {

cVkViewerInfo cVkSessionViewer::GetViewerInfo() const {
  std::lock_guard lock(lock_);
  cVkViewerInfo info;
  info.connected = connected_;
  info.address = peerAddress_;
  if (!domain_.empty() && !user_.empty())
    info.viewerName = domain_ + u"\\" + user_;
  else
    info.viewerName = user_;
  return info;
}

int32_t cVkSessionViewer::ImpersonateViewer(cOrkLog& log, uint32_t* grantedMask) const {
  std::lock_guard lock(lock_);
  if (connected_ && grantedMask_ != 0) {
    if (grantedMask) *grantedMask = grantedMask_;
    return 0;
  }
  if (grantedMask) *grantedMask = 0;
  const int32_t code = ERROR_ACCESS_DENIED;
  log.LogMsg(LOG_ERROR, code, u"An error has occurred while impersonating '%s\\%s'. Errorcode %ld.",
             VkEscapeControls(domain_), VkEscapeControls(user_), code);
  log.LogMsg(LOG_ERROR, code, u"An error has occurred while impersonating the user. Errorcode %ld.", code);
  return code;
}

void cVkSessionViewer::Connected(uint32_t peerAddress) {
  std::lock_guard lock(lock_);
  connected_ = true;
  peerAddress_ = peerAddress;
}

void cVkSessionViewer::Admitted(const std::u16string& user, const std::u16string& domain, uint32_t grantedMask) {
  std::lock_guard lock(lock_);
  user_ = user;
  domain_ = domain;
  grantedMask_ = grantedMask;
}

uint32_t cVkSessionViewer::GrantedMask() const {
  std::lock_guard lock(lock_);
  return grantedMask_;
}

void cVkSessionViewer::Clear() {
  std::lock_guard lock(lock_);
  connected_ = false;
  peerAddress_ = 0;
  WipeText(user_);
  WipeText(domain_);
  grantedMask_ = 0;
}

}  // namespace vk
