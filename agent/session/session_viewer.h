// cVkSessionViewer: the viewer of the current session, as the session
// records it after the access check. The tray asks who is connected, the
// input handler takes on the viewer's identity; both are handed this record
// (the session manager writes it).
#pragma once

#include <cstdint>
#include <mutex>
#include <string>

#include "agent/session/session_parts.h"

namespace vk {

class cVkSessionViewer final : public iVkViewerQuery, public iVkViewerImpersonation {
 public:
  // Whether a console is connected, the viewer's name ("domain\\user", or
  // the user alone) and the console's IPv4 address (network order).
  cVkViewerInfo GetViewerInfo() const override;
  // 0 while an authenticated viewer is connected, with the rights the
  // access check granted.
  int32_t ImpersonateViewer(cOrkLog& log, uint32_t* grantedMask) const override;

  // A console is connected (not yet authenticated).
  void Connected(uint32_t peerAddress);
  // The access check admitted the viewer with these rights.
  void Admitted(const std::u16string& user, const std::u16string& domain, uint32_t grantedMask);
  uint32_t GrantedMask() const;
  // The session ended: nothing of the viewer is kept (the texts are wiped).
  void Clear();

 private:
  // The password is never kept: it lives only in the authentication step's
  // own buffers, wiped after use.
  mutable std::mutex lock_;
  bool connected_ = false;
  uint32_t peerAddress_ = 0;
  std::u16string user_;
  std::u16string domain_;
  uint32_t grantedMask_ = 0;
};

}  // namespace vk
