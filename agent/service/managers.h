// The managers that the service starts and stops, as hooks.
//
// The start routine starts, in this order: sockets, the OS version query,
// the settings, the security settings, the RPC listener thread, the tray
// manager and the session manager; the stop routine stops the RPC listening,
// the session manager, the tray manager and sockets, saves settings and
// security settings and stops the RPC listener thread. Sockets, settings and
// security are built in; the three hooks below are filled in by their
// managers, in ConnectAgentManagers (managers.cpp), with one or two lines:
//
//   m.tray = {[](cOrkLog& log) { return TrayManager().Initialize(log); },
//             [](cOrkLog& log) { return TrayManager().Uninitialize(log); }};
//   m.session = {[](cOrkLog& log) { return SessionManager().Start(log); },
//                [](cOrkLog& log) { return SessionManager().Stop(log); }};
//   m.rpc = {[](cOrkLog& log, vk::WorkerThread& thread) { return StartRpcListener(log, thread); },
//            [](cOrkLog& log) { return StopRpcListening(log); }};
//
// Each function takes the activity's log, logs its own failures there and
// answers 0 or an error code. A stop function must also succeed when its
// start never ran or failed (a failed start runs the stop routine).
//
// The RPC listener starts its thread on the given WorkerThread (the service
// record keeps it and stops it last) and calls ReportServiceRunning() once it
// listens; on a failure after start-up it calls RequestServiceStop(). While
// no RPC listener is connected, the start routine reports running itself.
// A hook left empty is skipped; its status report and wait hint remain, so
// the service manager sees the same sequence either way.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/core/worker_thread.h"

class cOrkLog;

namespace vk::agent {

struct cVkManagerHooks {
  std::function<int32_t(cOrkLog&)> start;
  std::function<int32_t(cOrkLog&)> stop;
};

struct cVkRpcHooks {
  std::function<int32_t(cOrkLog&, vk::WorkerThread&)> startListenerThread;
  std::function<int32_t(cOrkLog&)> stopListening;
};

struct cVkAgentManagers {
  // Built in: start = load from the settings file (2: there is none, the
  // defaults stay; after any failure the defaults stay), stop = save to it.
  cVkManagerHooks settings;
  // Built in: start = load the access rights, stop = save them.
  cVkManagerHooks security;
  cVkRpcHooks rpc;
  cVkManagerHooks tray;
  cVkManagerHooks session;
};

// The managers the service uses; ConnectAgentManagers fills them at start.
cVkAgentManagers& AgentManagers();
void ConnectAgentManagers(cVkAgentManagers& m);

// For the RPC listener: report running; end the service after a failure.
void ReportServiceRunning();
void RequestServiceStop();

// For the RPC server, after it accepted new settings: saves them at once
// (atomically) and from now on also at stop. 0 or the save's error code.
int32_t SaveServiceSettings(cOrkLog& log);
// For the RPC server, after it accepted new access rights (which it saves
// itself): they are saved at stop as well.
void MarkSecurityChanged();

}  // namespace vk::agent
