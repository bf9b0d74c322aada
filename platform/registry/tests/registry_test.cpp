#include "platform/registry/registry.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/core/error_codes.h"
#include "platform/core/text.h"

namespace vk {
namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class RegistryStore : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/vkregXXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    setenv("VIEWKEEPER_REGISTRY_DIR", (dir_ + "/moved").c_str(), 1);
    ASSERT_EQ(RegistryConnect(u"", RegRoot::LocalMachine, &hklm_), 0);
  }
  void TearDown() override {
    unsetenv("VIEWKEEPER_REGISTRY_DIR");
    std::filesystem::remove_all(dir_);
  }

  std::string File() const { return dir_ + "/moved/HKLM.reg"; }

  int32_t SetDword(std::u16string_view key, std::u16string_view name, uint32_t value) {
    RegKey k;
    if (int32_t code = RegistryCreateKey(hklm_, key, &k)) return code;
    uint8_t bytes[4] = {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16), uint8_t(value >> 24)};
    return RegistrySetValue(k, name, REG_DWORD, bytes);
  }

  uint32_t GetDword(std::u16string_view key, std::u16string_view name) {
    RegKey k;
    EXPECT_EQ(RegistryOpenKey(hklm_, key, &k), 0);
    uint32_t value = 0, type = 0, size = 4;
    EXPECT_EQ(RegistryQueryValue(k, name, &type, reinterpret_cast<uint8_t*>(&value), &size), 0);
    EXPECT_EQ(type, REG_DWORD);
    return value;
  }

  // Runs body in a child process and waits for it; the child's exit status is the answer.
  static int InChild(const std::function<int()>& body) {
    pid_t pid = fork();
    if (pid == 0) _exit(body());
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 255;
  }

  std::string dir_;
  RegKey hklm_;
};

TEST_F(RegistryStore, KeysAndValuesWithWin32Answers) {
  RegKey key;
  EXPECT_EQ(RegistryOpenKey(hklm_, u"SOFTWARE\\Corvalline", &key), ERROR_FILE_NOT_FOUND);
  ASSERT_EQ(RegistryCreateKey(hklm_, u"SOFTWARE\\Corvalline\\ViewKeeper", &key), 0);
  EXPECT_EQ(ReadFile(File()).substr(0, 37), "Windows Registry Editor Version 5.00\n");

  std::vector<uint8_t> big(1000);
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<uint8_t>(i);
  ASSERT_EQ(RegistrySetValue(key, u"Big", REG_BINARY, big), 0);
  uint8_t small[256];
  uint32_t type = 0, size = sizeof small;
  EXPECT_EQ(RegistryQueryValue(key, u"big", &type, small, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 1000u);
  std::vector<uint8_t> whole(size);
  EXPECT_EQ(RegistryQueryValue(key, u"BIG", &type, whole.data(), &size), 0);
  EXPECT_EQ(whole, big);
  EXPECT_EQ(type, REG_BINARY);
  size = 0;
  EXPECT_EQ(RegistryQueryValue(key, u"Big", nullptr, nullptr, &size), 0);
  EXPECT_EQ(size, 1000u);
  EXPECT_EQ(RegistryQueryValue(key, u"Missing", &type, small, &size), ERROR_FILE_NOT_FOUND);

  RegKey parent;
  ASSERT_EQ(RegistryOpenKey(hklm_, u"software", &parent), 0);  // ancestors exist
  EXPECT_EQ(RegistryDeleteValue(key, u"Big"), 0);
  EXPECT_EQ(RegistryQueryValue(key, u"Big", &type, small, &size), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegistryCloseKey(&key), 0);
  EXPECT_EQ(RegistryCloseKey(&key), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegistrySetValue(key, u"x", REG_DWORD, big), ERROR_INVALID_HANDLE);
}

TEST_F(RegistryStore, OnlyThisComputerIsServed) {
  RegKey key;
  EXPECT_EQ(RegistryConnect(u"\\\\FARAWAY-PC", RegRoot::LocalMachine, &key), ERROR_BAD_NETPATH);
  EXPECT_FALSE(key.IsOpen());
  EXPECT_EQ(RegistryConnect(u"localhost", RegRoot::LocalMachine, &key), 0);
  EXPECT_EQ(RegistryConnect(u"", RegRoot::ClassesRoot, &key), ERROR_INVALID_HANDLE);
}

TEST_F(RegistryStore, RootsLiveInTheirFiles) {
  EXPECT_EQ(RegRootFile(RegRoot::CurrentUser), dir_ + "/moved/HKCU.reg");
  unsetenv("VIEWKEEPER_REGISTRY_DIR");
  EXPECT_EQ(RegRootFile(RegRoot::LocalMachine), "/var/lib/viewkeeper/registry/HKLM.reg");
  std::string oldConfig = getenv("XDG_CONFIG_HOME") ? getenv("XDG_CONFIG_HOME") : "";
  setenv("XDG_CONFIG_HOME", "/home/x/.cfg", 1);
  EXPECT_EQ(RegRootFile(RegRoot::CurrentUser), "/home/x/.cfg/viewkeeper/HKCU.reg");
  if (oldConfig.empty())
    unsetenv("XDG_CONFIG_HOME");
  else
    setenv("XDG_CONFIG_HOME", oldConfig.c_str(), 1);
}

TEST_F(RegistryStore, WithoutAHomeTheCurrentUserHasNoStore) {
  // In a child, so that the environment of the other tests stays.
  EXPECT_EQ(InChild([&] {
              unsetenv("VIEWKEEPER_REGISTRY_DIR");
              unsetenv("XDG_CONFIG_HOME");
              setenv("HOME", "relative/home", 1);
              if (!RegRootFile(RegRoot::CurrentUser).empty()) return 1;
              unsetenv("HOME");
              if (!RegRootFile(RegRoot::CurrentUser).empty()) return 2;
              RegKey hkcu, key;
              if (RegistryConnect(u"", RegRoot::CurrentUser, &hkcu) != 0) return 3;
              if (RegistryCreateKey(hkcu, u"Software\\Corvalline", &key) != ERROR_PATH_NOT_FOUND) return 4;
              if (RegistryOpenKey(hkcu, u"Software", &key) != ERROR_PATH_NOT_FOUND) return 5;
              if (ToUtf8(RegistryLastProblem()).find("HOME") == std::string::npos) return 6;
              setenv("HOME", (dir_ + "/home").c_str(), 1);
              if (RegRootFile(RegRoot::CurrentUser) != dir_ + "/home/.config/viewkeeper/HKCU.reg") return 7;
              return RegistryCreateKey(hkcu, u"Software", &key) == 0 ? 0 : 8;
            }),
            0);
  EXPECT_TRUE(std::filesystem::exists(dir_ + "/home/.config/viewkeeper/HKCU.reg"));
}

TEST_F(RegistryStore, ALockFileThatIsASymbolicLinkIsRefused) {
  ASSERT_EQ(SetDword(u"K", u"V", 1), 0);
  std::filesystem::remove(File() + ".lock");
  std::filesystem::create_symlink(dir_ + "/elsewhere", File() + ".lock");
  RegKey key;
  EXPECT_EQ(RegistryCreateKey(hklm_, u"K2", &key), ERROR_ACCESS_DENIED);
  EXPECT_FALSE(std::filesystem::exists(dir_ + "/elsewhere")) << "the link was followed";
  EXPECT_NE(ToUtf8(RegistryLastProblem()).find("HKLM.reg.lock"), std::string::npos);
  EXPECT_EQ(GetDword(u"K", u"V"), 1u);
}

TEST_F(RegistryStore, AnotherProcessReadsWhatOneWrote) {
  ASSERT_EQ(InChild([&] { return SetDword(u"K", u"FromChild", 0xC0FFEE) == 0 ? 0 : 1; }), 0);
  EXPECT_EQ(GetDword(u"K", u"FromChild"), 0xC0FFEEu);
  ASSERT_EQ(SetDword(u"K", u"FromParent", 7), 0);
  EXPECT_EQ(InChild([&] {
              RegKey k;
              uint32_t value = 0, type = 0, size = 4;
              if (RegistryOpenKey(hklm_, u"K", &k)) return 1;
              if (RegistryQueryValue(k, u"FromParent", &type, reinterpret_cast<uint8_t*>(&value), &size)) return 2;
              return value == 7 ? 0 : 3;
            }),
            0);
}

TEST_F(RegistryStore, ConcurrentWritersLoseNoUpdate) {
  constexpr int kWriters = 4, kEach = 25;
  std::vector<pid_t> children;
  for (int w = 0; w < kWriters; ++w) {
    pid_t pid = fork();
    if (pid == 0) {
      for (int i = 0; i < kEach; ++i) {
        std::u16string name = FromUtf8("w" + std::to_string(w) + "_" + std::to_string(i));
        if (SetDword(u"Shared\\Key", name, static_cast<uint32_t>(w * 1000 + i))) _exit(1);
      }
      _exit(0);
    }
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  for (int w = 0; w < kWriters; ++w)
    for (int i = 0; i < kEach; ++i)
      EXPECT_EQ(GetDword(u"shared\\key", FromUtf8("w" + std::to_string(w) + "_" + std::to_string(i))),
                static_cast<uint32_t>(w * 1000 + i));
}

TEST_F(RegistryStore, DamagedFileIsReportedAndNeverWrittenOver) {
  ASSERT_EQ(SetDword(u"K", u"A", 1), 0);
  std::string damaged = ReadFile(File()) + "\"B\"=dword:nothex\n\"C\"=dword:2\n";
  std::ofstream(File(), std::ios::binary | std::ios::trunc) << damaged;
  EXPECT_EQ(SetDword(u"K", u"D", 3), ERROR_REGISTRY_CORRUPT);
  std::string problem = ToUtf8(RegistryLastProblem());
  EXPECT_NE(problem.find(File()), std::string::npos) << problem;
  EXPECT_NE(problem.find("line 5"), std::string::npos) << problem;
  EXPECT_EQ(ReadFile(File()), damaged);
  RegKey key;
  EXPECT_EQ(RegistryOpenKey(hklm_, u"K", &key), ERROR_REGISTRY_CORRUPT);
  std::vector<std::string> leftovers;
  for (auto& entry : std::filesystem::directory_iterator(dir_ + "/moved")) leftovers.push_back(entry.path().filename());
  std::sort(leftovers.begin(), leftovers.end());
  EXPECT_EQ(leftovers, (std::vector<std::string>{"HKLM.reg", "HKLM.reg.lock"}));
}

TEST_F(RegistryStore, AnAdministratorsEditIsRead) {
  ASSERT_EQ(SetDword(u"K", u"A", 1), 0);
  std::ofstream(File(), std::ios::app) << "\"Typed\"=\"by hand\"\n";
  RegKey key;
  ASSERT_EQ(RegistryOpenKey(hklm_, u"K", &key), 0);
  char16_t text[16] = {};
  uint32_t type = 0, size = sizeof text;
  ASSERT_EQ(RegistryQueryValue(key, u"Typed", &type, reinterpret_cast<uint8_t*>(text), &size), 0);
  EXPECT_EQ(type, REG_SZ);
  EXPECT_EQ(size, 16u);
  EXPECT_EQ(std::u16string(text), u"by hand");
}

}  // namespace
}  // namespace vk
