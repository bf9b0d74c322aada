// Helpers shared by the cOrkLog tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "log/orklog.h"

namespace orklog_test {

// A private folder, removed with its contents at the end of the test.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "orklog-XXXXXX").string();
    path_ = mkdtemp(pattern.data());
  }
  ~TempDir() { std::filesystem::remove_all(path_); }
  std::filesystem::path File(const char* name) const { return std::filesystem::path(path_) / name; }

 private:
  std::string path_;
};

inline std::string ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline std::u16string U16(const std::filesystem::path& path) {
  const std::string s = path.string();
  return std::u16string(s.begin(), s.end());
}

struct Message {
  int32_t time;
  uint32_t type;
  int32_t code;
  std::u16string text;
};

// Every entry of `log` that matches `mask`.
inline std::vector<Message> Messages(cOrkLog& log, uint32_t mask = LOG_ALL) {
  std::vector<Message> out;
  for (const cOrkLogMessage& m : log.GetMessages(mask)) out.push_back({m.time, m.type, m.code, m.text});
  return out;
}

inline std::u16string Composed(cOrkLog& log, uint32_t mask, int32_t* lines = nullptr) {
  char16_t* text = nullptr;
  const int32_t n = log.ComposeSingleMemoryMessage(&text, mask);
  if (lines) *lines = n;
  std::u16string out = text ? text : u"";
  log.ReleaseMemoryMessage(text);
  return out;
}

}  // namespace orklog_test
