// The agent manager's operations, wait loops, retries and questions against
// a scripted computer.
#include <gtest/gtest.h>

#include "common/archive/object_buffer.h"
#include "common/mfclog/mfc_log.h"
#include "common/security_lists/service_security.h"
#include "common/settings/service_settings.h"
#include "console/admin/agent_manager.h"
#include "console/admin/deployment_flows.h"
#include "console/admin/display_name.h"
#include "console/admin/tests/fake_remote.h"
#include "log/orklog.h"
#include "platform/core/text.h"

namespace {

using vk::remote::kServiceRunning;
using vk::remote::kServiceStartPending;
using vk::remote::kServiceStopped;
using vk::remote::kServiceStopPending;

std::vector<std::string> Lines(cOrkLog& log) {
  std::vector<std::string> lines;
  uint32_t index = 0;
  char16_t buffer[1100];
  int32_t time = 0, code = 0;
  uint32_t type = 0;
  while (log.GetMemMessageEx(&index, LOG_ALL, &time, &type, &code, buffer, 1100) == 0) {
    lines.push_back(vk::ToUtf8(buffer));
  }
  return lines;
}

size_t CountContaining(const std::vector<std::string>& lines, const std::string& text) {
  return static_cast<size_t>(std::count_if(lines.begin(), lines.end(),
                                           [&](const std::string& l) { return l.find(text) != std::string::npos; }));
}

struct Questions : cVkOperatorQuestions {
  bool answer = false;
  std::vector<std::string> asked, boxes;
  bool AskYesNo(std::u16string_view text) override {
    asked.push_back(vk::ToUtf8(text));
    return answer;
  }
  void ShowErrorBox(std::u16string_view text) override { boxes.push_back(vk::ToUtf8(text)); }
  void ShowInformationBox(std::u16string_view text) override { boxes.push_back(vk::ToUtf8(text)); }
  void ShowExclamationBox(std::u16string_view text) override { boxes.push_back(vk::ToUtf8(text)); }
  void ShowErrorDialog(std::u16string_view text, int32_t, cOrkLog&) override { boxes.push_back(vk::ToUtf8(text)); }
  std::unique_ptr<cVkProgressWindow> OpenProgressDialog(std::u16string_view) override { return nullptr; }
};

class AgentManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    VkRegisterAdminClasses();
    log_.SetMemLogMask(LOG_ALL);
    cVkAdminContext context;
    context.connector = &connector_;
    context.binder = &rpc_;
    context.questions = &questions_;
    context.wait = [this](uint32_t ms) { waited_.push_back(ms); };
    manager_.SetContext(context);
    ASSERT_EQ(manager_.InitServiceFiles(log_, files_.Folder()), 0);
  }

  AgentFilesFolder files_;
  FakeComputer computer_;
  FakeConnector connector_{computer_};
  FakeRpc rpc_;
  Questions questions_;
  std::vector<uint32_t> waited_;
  cVkAgentManager manager_;
  cOrkLog log_;
};

TEST(DisplayName, PortAndBuildArePublishedNumbersInRange) {
  int32_t port = 0, build = 0;
  EXPECT_EQ(VkParsePublishedPort(u"ViewKeeper Service ((44185,1114))", &port), 0);
  EXPECT_EQ(port, 44185);
  EXPECT_EQ(VkParsePublishedBuild(u"ViewKeeper Service ((44185,1114))", &build), 0);
  EXPECT_EQ(build, 1114);
  for (std::u16string_view bad :
       {u"ViewKeeper Service ((0,1114))", u"ViewKeeper Service ((-1,1114))", u"ViewKeeper Service ((65536,1114))",
        u"ViewKeeper Service ((,1114))", u"ViewKeeper service", u"ViewKeeper Service ((44185 1114))"}) {
    EXPECT_EQ(VkParsePublishedPort(bad, &port), -1) << vk::ToUtf8(bad);
  }
  EXPECT_EQ(VkParsePublishedPort(u"ViewKeeper Service ((65535,1114))", &port), 0);
  EXPECT_EQ(VkParsePublishedBuild(u"ViewKeeper Service ((44185,1114", &build), -1);
  EXPECT_EQ(VkParsePublishedBuild(u"ViewKeeper Service ((44185,0))", &build), -1);
  EXPECT_EQ(VkParsePublishedBuild(u"ViewKeeper Service ((44185,1113))", &build), 0);
  EXPECT_EQ(build, 1113);
}

TEST(ComputerList, SplitsAtCommasAndTrims) {
  EXPECT_EQ(VkSplitComputerList(u"PC1, PC2,,pc3 "), (std::vector<std::u16string>{u"PC1", u"PC2", u"pc3"}));
}

TEST_F(AgentManagerTest, StartGivesTheThirdRequestItsTime) {
  computer_.states = {kServiceStopped};
  computer_.onStart = [](FakeComputer& c) {
    if (c.starts == 3) c.states = {kServiceStartPending, kServiceStartPending, kServiceRunning};
  };
  EXPECT_EQ(manager_.StartAgent(log_, u"pc1", nullptr), 0) << ::testing::PrintToString(Lines(log_));
  EXPECT_EQ(computer_.starts, 3);

  computer_.states = {kServiceStopped};
  computer_.starts = 0;
  computer_.onStart = nullptr;
  log_.Clear();
  EXPECT_EQ(manager_.StartAgent(log_, u"pc1", nullptr), -1);
  EXPECT_EQ(computer_.starts, 3);
  std::vector<std::string> lines = Lines(log_);
  EXPECT_EQ(
      CountContaining(lines, "The service has failed to start. Current service state is 'Stopped'. Errorcode -1."), 1u);
  EXPECT_EQ(lines.back(), "An error occurred while starting the service on computer pc1. Errorcode -1.");
}

TEST_F(AgentManagerTest, StartGivesUpAfterSixtySecondsPending) {
  computer_.states = {kServiceStartPending};
  EXPECT_EQ(manager_.StartAgent(log_, u"pc1", nullptr), -1);
  EXPECT_EQ(waited_.size(), 59u);
  EXPECT_EQ(CountContaining(Lines(log_), "Current service state is 'Starting'"), 1u);
}

TEST_F(AgentManagerTest, StopWaitsSixtyOneSecondsThenTimesOut) {
  computer_.states = {kServiceRunning, kServiceRunning, kServiceStopPending};
  EXPECT_EQ(manager_.StopAgent(log_, u"pc1", nullptr), -1);
  EXPECT_EQ(computer_.stops, 1);
  EXPECT_EQ(waited_.size(), 61u);
  EXPECT_EQ(CountContaining(Lines(log_),
                            "An error has occurred while stopping the service. Operation timed out. Errorcode -1."),
            1u);

  computer_.states = {kServiceRunning};
  computer_.onStop = [](FakeComputer& c) { c.states = {kServiceStopPending, kServiceStopPending, kServiceStopped}; };
  waited_.clear();
  EXPECT_EQ(manager_.StopAgent(log_, u"pc1", nullptr), 0);
  EXPECT_EQ(waited_.size(), 2u);
}

TEST_F(AgentManagerTest, CopyRetriesSharingViolationsFiveTimesAndRemovesTheStaging) {
  computer_.states = {0};
  computer_.copyResult = ERROR_SHARING_VIOLATION;
  EXPECT_EQ(manager_.InstallAgent(log_, u"pc1", u"/opt/viewkeeper/", nullptr), -1);
  std::vector<std::string> lines = Lines(log_);
  for (int i = 1; i <= 5; ++i) {
    std::string retry = "(Try " + std::to_string(i) + "). Errorcode 32.";
    EXPECT_EQ(CountContaining(lines, retry), 1u) << retry;
  }
  EXPECT_EQ(CountContaining(lines, "(Try "), 5u);
  EXPECT_EQ(computer_.copies, 6);
  EXPECT_EQ(waited_, std::vector<uint32_t>(5, 500));
  EXPECT_EQ(CountContaining(lines, "An error has occurres while copying the file '"), 1u);
  EXPECT_EQ(computer_.stagingRemoved, 1);
  EXPECT_EQ(computer_.created, 0);
}

TEST_F(AgentManagerTest, TooLittleSpaceFailsAndTheStagingFolderStillGoes) {
  computer_.freeBytes = 1000;  // the files need 1230 bytes and the unit
  EXPECT_EQ(manager_.InstallAgent(log_, u"pc1", u"/opt/viewkeeper/", nullptr), -1);
  EXPECT_EQ(CountContaining(Lines(log_), "There is not enough available diskspace on the target drive. Errorcode -1."),
            1u);
  EXPECT_EQ(computer_.copies, 0);
  EXPECT_EQ(computer_.stagingRemoved, 1);
}

TEST_F(AgentManagerTest, StagingNamesAreDrawnABoundedNumberOfTimes) {
  computer_.stagingResult = ERROR_ALREADY_EXISTS;
  EXPECT_EQ(manager_.InstallAgent(log_, u"pc1", u"/opt/viewkeeper/", nullptr), -1);
  EXPECT_EQ(computer_.stagingCreated, 100);
  EXPECT_EQ(CountContaining(Lines(log_), "Error creating a temporary share on computer 'pc1'. Errorcode 183."), 1u);
}

TEST_F(AgentManagerTest, InstallQuotesTheProgramAndRemoveUnquotesIt) {
  EXPECT_EQ(manager_.InstallAgent(log_, u"pc1", u"/opt/view keeper/", nullptr), 0);
  EXPECT_NE(computer_.unit.find("\nExecStart=\"/opt/view keeper/deskagent\"\n"), std::string::npos) << computer_.unit;
  EXPECT_NE(computer_.unit.find("Description=ViewKeeper service\n"), std::string::npos);
  EXPECT_EQ(computer_.copiedTargets,
            (std::vector<std::u16string>{u"/opt/view keeper/deskagent", u"/opt/view keeper/liborklog.so",
                                         u"/opt/view keeper/libdeskhook.so"}));
  // Installing again changes nothing.
  EXPECT_EQ(manager_.InstallAgent(log_, u"PC1", u"/opt/view keeper/", nullptr), 0);
  EXPECT_EQ(computer_.created, 1);

  computer_.binaryPath = u"\"/opt/view keeper/deskagent\"";
  EXPECT_EQ(manager_.RemoveAgent(log_, u"pc1", nullptr), 0);
  EXPECT_EQ(computer_.deleted, 1);
  EXPECT_EQ(computer_.deletedFiles.front(), u"/opt/view keeper/deskagent");
  EXPECT_EQ(computer_.removedFolders.front(), u"/opt/view keeper");
  EXPECT_EQ(manager_.FindAgent(u"pc1")->ServiceState(), 0u);
  EXPECT_EQ(manager_.RemoveAgent(log_, u"pc1", nullptr), 0);  // nothing to remove
  EXPECT_EQ(computer_.deleted, 1);
}

TEST_F(AgentManagerTest, UpgradeStartsTheAgentAgainAfterAFailedCopy) {
  computer_.states = {kServiceRunning, kServiceRunning, kServiceStopped};
  computer_.onStart = [](FakeComputer& c) { c.states = {kServiceRunning}; };
  computer_.copyResult = ERROR_FILE_NOT_FOUND;
  questions_.answer = true;
  EXPECT_NE(manager_.UpgradeAgent(log_, u"pc1", nullptr), 0);
  EXPECT_EQ(computer_.starts, 1);
  EXPECT_EQ(questions_.asked.size(), 1u);
  EXPECT_NE(questions_.asked[0].find("is of the same version (1114)"), std::string::npos);
}

TEST_F(AgentManagerTest, OlderBuildDeclinedLeavesNoRecordAndAsksAgain) {
  computer_.states = {kServiceRunning};
  computer_.displayName = u"ViewKeeper Service ((44185,1113))";
  cVkRpcChannel* binding = nullptr;
  EXPECT_EQ(manager_.BindAgent(log_, u"pc1", &binding, nullptr), -3);
  EXPECT_EQ(manager_.FindAgent(u"pc1"), nullptr);
  EXPECT_EQ(CountContaining(Lines(log_),
                            "The service is of the wrong version (Service build: 1113, Client build 1114). "
                            "Automatically upgrading the service was aborted."),
            1u);
  EXPECT_EQ(manager_.BindAgent(log_, u"pc1", &binding, nullptr), -3);
  EXPECT_EQ(questions_.asked.size(), 2u);

  computer_.displayName = u"ViewKeeper Service ((44185,1115))";
  EXPECT_EQ(manager_.BindAgent(log_, u"pc1", &binding, nullptr), -3);
  ASSERT_EQ(questions_.boxes.size(), 1u);
  EXPECT_NE(
      questions_.boxes[0].find("is of a higher version than this client. Service build: 1115, Client build 1114."),
      std::string::npos);
  EXPECT_EQ(computer_.stops, 0);
  EXPECT_EQ(rpc_.binds, 0);
}

TEST_F(AgentManagerTest, BindingIsReusedAndRebuiltAfterAFailedCheck) {
  computer_.states = {kServiceRunning};
  cVkRpcChannel* binding = nullptr;
  ASSERT_EQ(manager_.BindAgent(log_, u"pc1", &binding, nullptr), 0) << ::testing::PrintToString(Lines(log_));
  ASSERT_EQ(manager_.BindAgent(log_, u"PC1", &binding, nullptr), 0);
  EXPECT_EQ(rpc_.binds, 1);
  EXPECT_EQ(rpc_.checks, 2);
  EXPECT_EQ(connector_.opens, 1);

  rpc_.listening = RPC_S_SERVER_UNAVAILABLE;
  EXPECT_EQ(manager_.BindAgent(log_, u"pc1", &binding, nullptr), RPC_S_SERVER_UNAVAILABLE);
  EXPECT_EQ(manager_.FindAgent(u"pc1"), nullptr);
  rpc_.listening = 0;
  ASSERT_EQ(manager_.BindAgent(log_, u"pc1", &binding, nullptr), 0);
  EXPECT_EQ(rpc_.binds, 2);
  // The failed check dropped the connection: the state query after it and
  // the new record connect afresh.
  EXPECT_EQ(connector_.opens, 3);
}

TEST_F(AgentManagerTest, ExchangesMergeTheAgentsLogAndCheckTheAnswersClass) {
  computer_.states = {kServiceRunning};
  cOrkLog agentSide;
  agentSide.SetMemLogMask(LOG_ALL);
  agentSide.LogMsg(LOG_ERROR, 5, u"Access to the service has been denied. Errorcode %ld.", 5);
  cOrkMfcLog mfc(agentSide);
  ASSERT_EQ(ObjectToBuffer(&mfc, rpc_.answerLog), 0);
  rpc_.status = 5;
  cVkServiceSettings settings;
  EXPECT_EQ(manager_.SendData(log_, u"pc1", kVkSendSettings, &settings, nullptr), 5);
  EXPECT_EQ(rpc_.lastProcedure, kVkProcSetServiceData);
  EXPECT_EQ(rpc_.lastType, 4);
  std::unique_ptr<cVkObject> sent;
  EXPECT_EQ(ObjectFromBufferAs(rpc_.sent.data(), rpc_.sent.size(),
                               reinterpret_cast<std::unique_ptr<cVkServiceSettings>&>(sent)),
            0);
  std::vector<std::string> lines = Lines(log_);
  EXPECT_EQ(CountContaining(lines, "Access to the service has been denied. Errorcode 5."), 1u);
  EXPECT_EQ(lines.back(), "The service on computer pc1 was unable to process the requested data. Errorcode 5.");

  // A get answered with an object of another class is refused.
  rpc_.status = 0;
  rpc_.answerLog.clear();
  cVkServiceSecurity security({u"root"}, {}, {});
  ASSERT_EQ(ObjectToBuffer(&security, rpc_.answer), 0);
  std::unique_ptr<cVkObject> result;
  EXPECT_EQ(manager_.GetData(log_, u"pc1", kVkGetSettings, nullptr, result, nullptr), VK_AR_BAD_CLASS);
  EXPECT_EQ(result, nullptr);
  rpc_.answer.clear();
  EXPECT_EQ(manager_.GetData(log_, u"pc1", kVkGetSettings, nullptr, result, nullptr), VK_AR_BAD_CLASS);
  ASSERT_EQ(ObjectToBuffer(&security, rpc_.answer), 0);
  ASSERT_EQ(manager_.GetData(log_, u"pc1", kVkGetSecurity, nullptr, result, nullptr), 0);
  ASSERT_NE(dynamic_cast<cVkServiceSecurity*>(result.get()), nullptr);
  EXPECT_EQ(static_cast<cVkServiceSecurity*>(result.get())->GetAdministrators(), VkAccountList{u"root"});

  rpc_.exception = true;
  log_.Clear();
  EXPECT_EQ(manager_.GetData(log_, u"pc1", kVkGetSecurity, nullptr, result, nullptr), -1);
  EXPECT_EQ(Lines(log_).back(),
            "A fatal error has occurred while getting data from the service on computer 'pc1'. Errorcode -1.");
}

TEST_F(AgentManagerTest, RecordsSurviveInSmDatAndForeignObjectsAreDropped) {
  computer_.states = {kServiceRunning};
  uint32_t state = 0;
  ASSERT_EQ(manager_.QueryAgentState(log_, u"pc1", &state, nullptr), 0);
  EXPECT_EQ(state, kServiceRunning);
  manager_.Add(new cVkServiceSecurity);
  std::u16string path = files_.Folder() + u"SM.dat";
  ASSERT_EQ(manager_.Save(path), 0);
  cVkAgentManager loaded;
  ASSERT_EQ(loaded.Load(path), 0);
  ASSERT_EQ(loaded.GetSize(), 1u);
  cVkAgentData* record = loaded.FindAgent(u"PC1");
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->ServiceName(), u"ViewKeeper");
  EXPECT_EQ(record->ServiceState(), kServiceRunning);
  EXPECT_TRUE(record->ResolveFlag());
}

}  // namespace
