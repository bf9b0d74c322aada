// The innermost line of a remote failure: what the computer or the SSH
// connection said, before the operation's own lines.
#pragma once

#include <cstdint>
#include <string_view>

class cOrkLog;

void VkLogRemoteDetail(cOrkLog& log, int32_t code, std::u16string_view text);
