// Ending the process at once.
#pragma once

namespace vk {

// Flushes the standard streams and ends the process with `status`, without
// running destructors of static objects or atexit handlers: a thread that
// was let go may still use them.
[[noreturn]] void EndProcessNow(int status);

}  // namespace vk
