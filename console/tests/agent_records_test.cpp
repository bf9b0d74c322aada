// The console's agent records (SM.dat): written at program exit, read at the
// next start; a damaged file gives a fresh start, logged in the start-up
// log, and the other data files load as before. The dialogs' flows keep
// their records in the same manager. The wizard at start as "ShowWizard"
// and the command line ask.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include <QAction>
#include <QCheckBox>
#include <QSettings>
#include <QTimer>

#include "console/tests/console_test_support.h"
#include "console/tests/operator_answers.h"
#include "console/ui/config/service_commands.h"
#include "console/ui/console_app.h"
#include "platform/ssh/testing/test_sshd.h"

namespace {

namespace fs = std::filesystem;
using vktest::LogText;
using vktest::Until;

constexpr uint32_t kInstallationWizard = 32815;

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
    vktest::NoWizardAtStart();
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

// A flow run through a dialog command (here an install that fails: nothing
// listens there) leaves its computer's record in the console's manager, and so in
// SM.dat after exit.
TEST_F(AgentRecords, ARecordMadeThroughADialogFlowIsInSmDatAfterExit) {
  vktest::NoWizardAtStart();
  cVkOperatorAnswers answers;
  {
    cVkConsoleApp console(target_);
    ASSERT_EQ(console.Start(VkConsoleOptions{}, u""), 0);
    cVkFlowResult flow = console.MainFrame()->Services().Install({u"pc7.example.org"}, u"/opt/viewkeeper/");
    EXPECT_EQ(flow.failed, std::vector<std::u16string>{u"pc7.example.org"});
    ASSERT_EQ(answers.errors.size(), 1);
    EXPECT_TRUE(answers.errors[0].startsWith(
        QStringLiteral("One or more errors have occurred while installing services on the following computers: "
                       "'pc7.example.org'.")))
        << answers.errors[0].toStdString();
  }
  cVkAgentManager saved;
  ASSERT_EQ(saved.Load(vk::FromUtf8(Data("SM.dat").string())), 0);
  EXPECT_NE(saved.FindAgent(u"pc7.example.org"), nullptr);
}

TEST_F(AgentRecords, TheWizardAtStartFollowsShowWizardAndTheCommandLine) {
  QSettings().remove(QStringLiteral("MainWnd/ShowWizard"));
  cVkOperatorAnswers answers;
  answers.wizard = [](cVkDeploymentWizard& wizard) {
    wizard.Welcome()->ShowAtStartBox()->setChecked(false);
    wizard.reject();
  };
  // Events up to those the start queued have run.
  auto startDone = [] {
    bool done = false;
    QTimer::singleShot(0, [&done] { done = true; });
    return Until([&done] { return done; });
  };
  {
    cVkConsoleApp console(target_);
    ASSERT_EQ(console.Start(VkConsoleOptions{}, u""), 0);
    ASSERT_TRUE(Until([&] { return !answers.wizards.isEmpty() && QApplication::activeModalWidget() == nullptr; }));
    EXPECT_EQ(answers.wizards, QStringList{QString()});  // no computer at start
    EXPECT_EQ(QSettings().value(QStringLiteral("MainWnd/ShowWizard")).toInt(), 0);
  }
  // "ShowWizard" 0: nothing at start, but the command still opens it.
  answers.Forget();
  {
    cVkConsoleApp console(target_);
    ASSERT_EQ(console.Start(VkConsoleOptions{}, u""), 0);
    ASSERT_TRUE(startDone());
    EXPECT_TRUE(answers.wizards.isEmpty());
    answers.computers = QStringLiteral("pc1");
    console.MainFrame()->Action(kInstallationWizard)->trigger();
    EXPECT_EQ(answers.wizards, QStringList{QStringLiteral("pc1")});
  }
  // A computer on the command line goes to its viewer's logon instead.
  QSettings().remove(QStringLiteral("MainWnd/ShowWizard"));
  answers.Forget();
  {
    cVkConsoleApp console(target_);
    VkConsoleOptions options;
    options.host = u"127.0.0.1";
    ASSERT_EQ(console.Start(options, u""), 0);
    ASSERT_TRUE(Until([&] { return answers.logons == 1; }));
    ASSERT_TRUE(startDone());
    EXPECT_TRUE(answers.wizards.isEmpty());
  }
}

}  // namespace
