// What a viewing session needs from the rest of the agent, and what the
// session offers the tray and the input handler, as small interfaces: the
// agent (agent/service/agent.cpp) hands its tray manager, input handler,
// screen capture and access check to the session manager, and the session
// manager to the tray and the input handler; tests hand in their own.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "common/settings/settings_parts.h"

class cOrkLog;
class cVkObject;
class cVkSocket;
class iVkLogSink;

// The viewer of the current session, as the tray shows it.
struct cVkViewerInfo {
  bool connected = false;
  std::u16string viewerName;  // "DOMAIN\user" or the user alone
  uint32_t address = 0;       // console's IPv4 address, network order
};

namespace vk {

// Who is connected (the session manager's GetViewerInfo).
class iVkViewerQuery {
 public:
  virtual ~iVkViewerQuery() = default;
  virtual cVkViewerInfo GetViewerInfo() const = 0;
};

// The identity of the session's viewer (the session manager's
// ImpersonateViewer): 0 while an authenticated viewer is connected, with the
// rights the access check granted; else the failure it logged.
class iVkViewerImpersonation {
 public:
  virtual ~iVkViewerImpersonation() = default;
  virtual int32_t ImpersonateViewer(cOrkLog& log, uint32_t* grantedMask) const = 0;
};

// Marks the whole screen for capture, so that the next update carries it
// all (the screen manager's AddFullScreen).
class iVkScreenRefresh {
 public:
  virtual ~iVkScreenRefresh() = default;
  virtual void AddFullScreen() = 0;
};

// The access check of a viewer's credentials (a network logon and the
// check against the agent's security descriptor). Answers 0 and the granted
// rights, or the failure it logged.
class iVkLogonCheck {
 public:
  virtual ~iVkLogonCheck() = default;
  virtual int32_t CheckLogonAccess(cOrkLog& log, std::u16string_view user, std::u16string_view domain,
                                   std::u16string_view password, uint32_t desiredAccess, uint32_t* grantedMask) = 0;
};

// The tray: tells the local user about the viewer and, when so configured,
// asks for consent.
class iVkSessionTray {
 public:
  virtual ~iVkSessionTray() = default;
  // Re-evaluates the icon for the current viewer (blocks while a consent
  // question is open).
  virtual void UpdateForSession() = 0;
  virtual bool IsViewingAllowed() = 0;
  // Answers an open consent question "No" (the agent is stopping).
  virtual void CancelQuestion() {}
};

// Replays the viewer's input datagrams.
class iVkSessionInput {
 public:
  virtual ~iVkSessionInput() = default;
  // viewerAddress: the console's IPv4 address (network order); grantedMask:
  // the rights the access check granted the viewer.
  virtual int32_t Start(cOrkLog& log, uint32_t viewerAddress, uint32_t grantedMask) = 0;
  virtual int32_t Stop(cOrkLog& log) = 0;
};

// Screen capture as the session drives it: the screen manager (capture
// thread and format), the update builder, the desktop manager (hooks) and
// the cursor tracking of the message window.
class iVkSessionScreen : public iVkScreenRefresh {
 public:
  virtual int32_t StartScreenManager(cOrkLog& log) = 0;
  virtual int32_t StopScreenManager(cOrkLog& log) = 0;
  virtual int32_t StartDesktopManager(cOrkLog& log) = 0;
  virtual int32_t StopDesktopManager(cOrkLog& log) = 0;
  // Answers and clears the flag set when the screen format was (re)made.
  virtual bool TakeFormatPending() = 0;
  // The current screen format record (a cVkScreenInfo); null when none.
  virtual std::unique_ptr<cVkObject> MakeScreenInfo() = 0;
  // Sends the changed sections as update messages; 0 when nothing changed.
  virtual int32_t SendUpdate(cVkSocket& socket) = 0;
  // Whether the last SendUpdate sent any message (false when not known).
  virtual bool TakeUpdateSent() { return false; }
  // The session loop's period (the capture interval below 100 ms).
  virtual std::chrono::milliseconds SendPeriod() { return std::chrono::milliseconds(100); }
  // Called when a capture left changes to send (from the capture thread);
  // null: nobody is told. After it returns the old listener is not called.
  virtual void SetChangeListener(std::function<void()> listener) { (void)listener; }
  // Builds the session's cursor list afresh.
  virtual void RebuildCursorList() = 0;
  // When the cursor shape changed since the last call: true and its index
  // in the cursor list (0 for a shape the list does not hold).
  virtual bool TakeCursorChange(uint32_t* index) = 0;
};

// The connection settings a listening thread reads when it starts.
struct cVkSessionSettings {
  uint16_t updateMode = CONNECTION_NORMAL;
  uint16_t updatePort = 48384;
};

// The port the listener binds: the settings' update port, or the default
// 48384 for a port of 0 (which would bind some ephemeral port no console
// can find). Values are stored as the console sent them and made safe here.
inline uint16_t UpdatePortAtUse(uint16_t port) { return port == 0 ? 48384 : port; }

class cVkSessionViewer;

struct cVkSessionParts {
  // The record of the session's viewer that the tray and the input handler
  // read; none: the session manager keeps its own.
  cVkSessionViewer* viewer = nullptr;
  iVkLogonCheck* logon = nullptr;
  iVkSessionTray* tray = nullptr;
  iVkSessionInput* input = nullptr;
  iVkSessionScreen* screen = nullptr;
  std::function<cVkSessionSettings()> settings;
  // The agent's log file; none: failures stay in the session's log.
  iVkLogSink* logFile = nullptr;
};

}  // namespace vk
