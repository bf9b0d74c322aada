// vkdump: shows archived objects for support and debugging.
#include <iostream>
#include <string>
#include <vector>

#include "tools/vkdump/dump_command.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return VkDumpMain(args, std::cout, std::cerr);
}
