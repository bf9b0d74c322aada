// vksnap: takes a snapshot of an agent's desktop as a PNG.
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "common/socket/socket.h"
#include "log/orklog.h"
#include "platform/core/text.h"
#include "tools/vksnap/options.h"
#include "tools/vksnap/png_writer.h"
#include "tools/vksnap/snap_client.h"

namespace {

void PrintLog(cOrkLog& log) {
  char16_t text[4200];
  uint32_t index = 0, type = 0;
  int32_t time = 0, code = 0;
  while (log.GetMemMessageEx(&index, LOG_ALL, &time, &type, &code, text, 4200) == 0)
    std::cerr << "vksnap: " << vk::ToUtf8(text) << "\n";
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
    std::cout << vk::kSnapUsage;
    return 0;
  }
  std::string error;
  auto options = vk::ParseSnapOptions(
      args, [](const char* name) { return std::getenv(name); },
      []() -> std::optional<std::string> {
        std::string line;
        if (!std::getline(std::cin, line)) return std::nullopt;
        return line;
      },
      error);
  if (!options) {
    std::cerr << "vksnap: " << error << "\n" << vk::kSnapUsage;
    return 2;
  }
  cOrkLog log;
  log.SetMemLogMask(LOG_ALL);
  StartSockets(log);
  vk::cVkSnapClient client(log);
  const int32_t code = client.Run(*options);
  uint32_t width = 0, height = 0;
  std::vector<uint8_t> rgb;
  int32_t written = -1;
  if (code == 0 && client.Picture(width, height, rgb)) written = vk::WritePng(options->output, width, height, rgb);
  PrintLog(log);
  StopSockets(log);
  if (options->stats)
    std::cout << "vksnap: bytes received " << client.BytesReceived() << ", after the first update "
              << client.BytesAfterFirstUpdate() << ", updates " << client.UpdatesApplied() << "\n";
  if (written != 0) {
    std::cerr << "vksnap: no picture written (error " << (code != 0 ? code : written) << ")\n";
    return 1;
  }
  std::cout << options->output << ": " << width << "x" << height << ", " << client.UpdatesApplied() << " update(s)\n";
  return 0;
}
