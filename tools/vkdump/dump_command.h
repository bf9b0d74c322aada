// vkdump: shows the content of an archive file or buffer.
//
//   vkdump [--json] [--body CLASS] FILE
//
// FILE holds one object record (an RPC or session buffer, a saved message)
// or, with --body, the body of one object of CLASS (Settings.dat and the
// other files a program saves whole). "-" reads standard input. A damaged
// file gives its failure cause and exit status 2; a file that cannot be read,
// an unknown class or bad arguments give exit status 1.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <span>
#include <string>
#include <vector>

int VkDumpMain(std::span<const std::string> args, std::ostream& out, std::ostream& err);

// Dumps bytes already read; `name` names them in messages.
int VkDumpBytes(const std::vector<uint8_t>& bytes, const std::string& name, const std::string& bodyClass, bool json,
                std::ostream& out, std::ostream& err);

// Registers every class this tool knows.
void VkRegisterDumpClasses();
