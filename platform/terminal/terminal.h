// The controlling terminal of a command-line program: whether standard
// streams are terminals, and lines read from the operator (a secret one
// without echo).
#pragma once

#include <string>
#include <string_view>

namespace vk::terminal {

bool IsTerminal(int fd);  // 0, 1, 2
// Writes `prompt` to the terminal and reads one line from it; false when
// there is no terminal or it ended.
bool AskLine(std::string_view prompt, std::string& answer);
bool AskSecret(std::string_view prompt, std::string& answer);
// One line from standard input (without its newline); false at its end.
bool ReadStdinLine(std::string& line);
// The value of an environment variable; false when it is not set.
bool GetEnvironment(const std::string& name, std::string& value);

}  // namespace vk::terminal
