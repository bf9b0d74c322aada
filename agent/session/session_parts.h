// What a viewing session needs from the rest of the agent, as small
// interfaces: the agent wires in its tray manager, input handler, screen
// and desktop managers and its access check; tests wire in their own.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class cOrkLog;
class cVkObject;
class cVkSocket;

namespace vk {

// The access check of a viewer's credentials (a network logon and the
// check against the agent's security descriptor). Answers 0 and the granted
// rights, or the failure it logged.
class iVkLogonCheck {
 public:
  virtual ~iVkLogonCheck() = default;
  virtual int32_t CheckLogonAccess(cOrkLog& log, const std::u16string& user, const std::u16string& domain,
                                   const std::u16string& password, uint32_t desiredAccess,
                                   uint32_t* grantedMask) = 0;
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
class iVkSessionScreen {
 public:
  virtual ~iVkSessionScreen() = default;
  virtual int32_t StartScreenManager(cOrkLog& log) = 0;
  virtual int32_t StopScreenManager(cOrkLog& log) = 0;
  virtual int32_t StartDesktopManager(cOrkLog& log) = 0;
  virtual int32_t StopDesktopManager(cOrkLog& log) = 0;
  // Answers and clears the flag set when the screen format was (re)made.
  virtual bool TakeFormatPending() = 0;
  // The current screen format record (a cVkScreenInfo); null when none.
  virtual std::unique_ptr<cVkObject> MakeScreenInfo() = 0;
  virtual void AddFullScreen() = 0;
  // Sends the changed sections as update messages; 0 when nothing changed.
  virtual int32_t SendUpdate(cVkSocket& socket) = 0;
  // Builds the session's cursor list afresh.
  virtual void RebuildCursorList() = 0;
  // When the cursor shape changed since the last call: true and its index
  // in the cursor list (0 for a shape the list does not hold).
  virtual bool TakeCursorChange(uint32_t* index) = 0;
};

// The connection settings a listening thread reads when it starts.
struct cVkSessionSettings {
  uint16_t updateMode = 2;  // 1 disabled, 2 normal connection, 3 secure connection
  uint16_t updatePort = 48384;
};

// The port the listener binds: the settings' update port, or the default
// 48384 for a port of 0 (which would bind some ephemeral port no console
// can find). Values are stored as the console sent them and made safe here.
inline uint16_t UpdatePortAtUse(uint16_t port) { return port == 0 ? 48384 : port; }

struct cVkSessionParts {
  iVkLogonCheck* logon = nullptr;
  iVkSessionTray* tray = nullptr;
  iVkSessionInput* input = nullptr;
  iVkSessionScreen* screen = nullptr;
  std::function<cVkSessionSettings()> settings;
  // Appends a log's lines to the agent's log file and clears it.
  std::function<void(cOrkLog&)> appendLogToFile;
};

}  // namespace vk
