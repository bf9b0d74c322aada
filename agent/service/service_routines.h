// The start and stop routines of the service and the service frame around
// them (ServiceMain, the control handler).
#pragma once

#include <cstdint>

class cOrkLog;

namespace vk::agent {

// Starts the managers in order, reporting start pending before each step.
int32_t ServiceStart(cOrkLog& log);
// Stops them in reverse, reporting stop pending before each step; goes on
// after a failed step and answers the first grave failure.
int32_t ServiceStop(cOrkLog& log);

// The service main routine: runs on its own thread under the dispatcher.
void ServiceMain();
// The control handler: stop and shutdown signal the stop event; any other
// control reports the current state again.
void ServiceCtrlHandler(uint32_t control);

// The service's result once ServiceMain returned: 0, or the code of the
// failed start or stop.
int32_t ServiceResult();

}  // namespace vk::agent
