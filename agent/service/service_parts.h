// What the service frame starts and stops, as small interfaces.
//
// The start routine starts, in this order: sockets, the OS version query,
// the settings, the access rights, the RPC listener thread, the tray
// manager and the session manager; the stop routine stops the RPC
// listening, the session manager, the tray manager and sockets, saves the
// settings and the access rights and stops the RPC listener thread.
// Sockets are the frame's own; the agent (agent.cpp) hands it the rest.
#pragma once

#include <cstdint>

#include "platform/core/worker_thread.h"

class cOrkLog;
class cVkLocations;
class iVkLogSink;

namespace vk::agent {

// A manager the service starts and stops. Each call logs its own failures
// into the activity's log and answers 0 or an error code. Stop must also
// succeed when Start never ran or failed (a failed start runs the stop
// routine).
class iVkServiceManager {
 public:
  virtual ~iVkServiceManager() = default;
  virtual int32_t Start(cOrkLog& log) = 0;
  virtual int32_t Stop(cOrkLog& log) = 0;
};

// What the service offers the configuration RPC listener and server.
class iVkServiceControl {
 public:
  virtual ~iVkServiceControl() = default;
  // The listener listens: the service is running.
  virtual void ReportServiceRunning() = 0;
  // The listener failed after start-up: the service stops.
  virtual void RequestServiceStop() = 0;
  // New settings were accepted: they are saved at once (atomically) and from
  // now on also at stop. 0 or the save's error code.
  virtual int32_t SaveServiceSettings(cOrkLog& log) = 0;
  // New access rights were accepted (and saved by the server): they are
  // saved at stop as well.
  virtual void MarkSecurityChanged() = 0;
};

// The configuration RPC listener. StartListenerThread starts the listener
// on `thread` (the service stops that thread last); the thread calls
// service.ReportServiceRunning() once it listens, and the calls use the
// other operations of `service`. StopListening ends the listening.
class iVkRpcListener {
 public:
  virtual ~iVkRpcListener() = default;
  virtual int32_t StartListenerThread(cOrkLog& log, vk::WorkerThread& thread, iVkServiceControl& service) = 0;
  virtual int32_t StopListening(cOrkLog& log) = 0;
};

struct cVkServiceParts {
  cOrkLog& serviceLog;          // start and stop announcements, critical errors
  cVkLocations& locations;      // the settings file's path for messages
  iVkLogSink& logFile;          // the agent's log file
  iVkServiceManager& settings;  // Start = load Settings.dat (2: none), Stop = save it
  iVkServiceManager& security;  // Start = load the access rights, Stop = save them
  iVkServiceManager* tray = nullptr;
  iVkServiceManager* sessions = nullptr;
  // Without an RPC listener the start routine reports running itself; the
  // status reports and wait hints stay the same either way.
  iVkRpcListener* rpc = nullptr;
  // The announcement on the local network: started last, stopped first; its
  // failures never stop the service.
  iVkServiceManager* announcer = nullptr;
};

}  // namespace vk::agent
