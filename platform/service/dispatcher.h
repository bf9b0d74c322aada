// The service dispatcher: runs the service main routine and turns the
// service manager's controls into calls of the registered control handler.
//
// systemd controls a service with signals: SIGTERM and SIGINT are the stop
// control, SIGHUP the interrogate control. RunServiceDispatcher blocks these
// signals in every thread of the process, runs `serviceMain` on a thread of
// its own and, on the calling thread, hands each signal to the handler that
// the service main routine registered (controls before the registration are
// kept and delivered once a handler exists). It returns when the service main
// routine has returned.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

namespace vk::service {

using ControlHandler = std::function<void(uint32_t control)>;

// 0, or a Win32 code when the dispatcher could not be started.
int32_t RunServiceDispatcher(std::u16string_view serviceName, std::function<void()> serviceMain);

// Registers the control handler of the running service: 0 or a Win32 code
// (ERROR_FAILED_SERVICE_CONTROLLER_CONNECT when no dispatcher runs, or the
// name is not the dispatcher's service).
int32_t RegisterControlHandler(std::u16string_view serviceName, ControlHandler handler);

}  // namespace vk::service
