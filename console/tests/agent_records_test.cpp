// The console's agent records (SM.dat): written at program exit, read at the
// next start; a damaged file gives a fresh start, logged in the start-up
// log, and the other data files load as before.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "console/tests/console_test_support.h"
#include "console/ui/console_app.h"
#include "platform/ssh/testing/test_sshd.h"

namespace {

namespace fs = std::filesystem;
using vktest::LogText;

std::string FileBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class AgentRecords : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { vktest::StartConsoleApplication(); }
  static void TearDownTestSuite() { vktest::EndConsoleApplication(); }
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("vk-console-records-" + std::to_string(std::random_device{}()));
    fs::create_directories(dir_);
    setenv("XDG_DATA_HOME", dir_.c_str(), 1);
    setenv("XDG_CONFIG_HOME", dir_.c_str(), 1);
    // Nothing listens there: every agent operation fails at once, but the
    // computer's record is made.
    target_.port = vk::testing::FreeLoopbackPort();
    target_.configFile = "none";
    target_.knownHostsFile = (dir_ / "known_hosts").string();
  }
  void TearDown() override { fs::remove_all(dir_); }
  fs::path Data(const char* name) const { return dir_ / "ViewKeeper" / name; }

  fs::path dir_;
  vk::ssh::SshTarget target_;
};

class AcceptingOpener : public iVkViewerOpener {
 public:
  bool RunLogon(cVkConnectionInfo& record) override {
    record.userName = u"alice";
    return true;
  }
  void OpenViewer(const cVkConnectionInfo&) override {}
};

TEST_F(AgentRecords, KeptFromOneRunToTheNextAndADamagedFileGivesAFreshStart) {
  {
    cVkConsoleApp console(target_);
    ASSERT_EQ(console.Start(VkConsoleOptions{}, u""), 0);
    cOrkLog log;
    uint32_t state = 0;
    EXPECT_NE(console.State().agents.QueryAgentState(log, u"127.0.0.1", &state, nullptr), 0);
    ASSERT_NE(console.State().agents.FindAgent(u"127.0.0.1"), nullptr);
    EXPECT_FALSE(fs::exists(Data("SM.dat")));  // written at exit
  }
  ASSERT_TRUE(fs::exists(Data("SM.dat")));
  const std::string sound = FileBytes(Data("SM.dat"));
  {
    cVkConsoleApp console(target_);
    ASSERT_EQ(console.Start(VkConsoleOptions{}, u""), 0);
    EXPECT_NE(console.State().agents.FindAgent(u"127.0.0.1"), nullptr);
    EXPECT_EQ(LogText(console.StartupLog()).find("agent records"), std::string::npos);
  }
  EXPECT_EQ(FileBytes(Data("SM.dat")), sound);

  // Cut short, and a connection record beside it.
  std::ofstream(Data("SM.dat"), std::ios::binary | std::ios::trunc) << sound.substr(0, sound.size() / 2);
  {
    cVkConnectionManager connections;
    AcceptingOpener opener;
    ASSERT_TRUE(connections.Open(opener, u"pc1"));
    ASSERT_EQ(connections.Save(vk::FromUtf8(Data("Connections.dat").string())), 0);
  }
  {
    cVkConsoleApp console(target_);
    ASSERT_EQ(console.Start(VkConsoleOptions{}, u""), 0);
    EXPECT_EQ(console.State().agents.GetSize(), 0u);
    EXPECT_NE(LogText(console.StartupLog()).find("An error has occurred while loading the agent records from '"),
              std::string::npos)
        << LogText(console.StartupLog());
    ASSERT_NE(console.State().connections.Find(u"pc1"), nullptr);
    EXPECT_EQ(console.State().connections.Find(u"pc1")->userName, u"alice");
  }
  // The next exit wrote a sound, empty file.
  cVkAgentManager loaded;
  EXPECT_EQ(loaded.Load(vk::FromUtf8(Data("SM.dat").string())), 0);
  EXPECT_EQ(loaded.GetSize(), 0u);
}

}  // namespace
