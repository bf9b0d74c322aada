// Test support for the agent: a temporary folder with its own registry
// files and settings folder.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/core/text.h"

namespace vk::testing {

class AgentFolder {
 public:
  AgentFolder() {
    char pattern[] = "/tmp/vk-agent-XXXXXX";
    root_ = mkdtemp(pattern) ? pattern : "";
    std::filesystem::create_directories(Registry());
    std::filesystem::create_directories(Program());
    setenv("VIEWKEEPER_REGISTRY_DIR", Registry().c_str(), 1);
  }
  ~AgentFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }
  AgentFolder(const AgentFolder&) = delete;
  AgentFolder& operator=(const AgentFolder&) = delete;

  const std::string& Root() const { return root_; }
  std::string Registry() const { return root_ + "/registry"; }
  std::string Program() const { return root_ + "/bin"; }
  std::string Settings() const { return root_ + "/settings/"; }
  std::string Service() const { return root_ + "/service/"; }

  // Writes HKLM.reg with the given keys and values (lines after the header).
  void WriteRegistry(const std::string& body) const {
    std::ofstream out(Registry() + "/HKLM.reg", std::ios::binary | std::ios::trunc);
    out << "Windows Registry Editor Version 5.00\r\n\r\n" << body;
  }
  // The Locations key naming this folder's settings and service folders.
  void WriteLocations() const {
    WriteRegistry("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvalline\\ViewKeeper\\Service\\Locations]\r\n\"SettingsPath\"=\"" +
                  Settings() + "\"\r\n\"ServicePath\"=\"" + Service() + "\"\r\n\r\n");
  }

 private:
  std::string root_;
};

inline std::u16string U16(const std::string& s) { return vk::FromUtf8(s); }

}  // namespace vk::testing
