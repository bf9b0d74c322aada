// The account of this process's simple binds, set through the export
// SetDirectoryCredentials; anonymous binds while none is set.
#pragma once

#include <string>

namespace vk::dirbridge {

// Copies the current account (empty texts: anonymous). The caller wipes the
// password copy when done (WipeText).
void CurrentCredentials(std::string& who, std::string& password);
void WipeText(std::string& text);

}  // namespace vk::dirbridge
