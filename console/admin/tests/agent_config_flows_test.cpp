// The configuration and access-rights flows against scripted computers:
// one computer that cannot be reached among three, lists that differ,
// cancelled runs, and the texts the operator sees.
#include <gtest/gtest.h>

#include <deque>
#include <set>

#include "common/security_lists/service_security.h"
#include "common/settings/service_settings.h"
#include "console/admin/agent_config_flows.h"
#include "console/admin/agent_manager.h"
#include "console/admin/deployment_flows.h"
#include "console/admin/tests/fake_remote.h"
#include "log/orklog.h"
#include "platform/core/text.h"

namespace {

using vk::remote::kServiceRunning;

// A computer of the list that cannot be reached fails at the connection.
struct SomeDownConnector : FakeConnector {
  using FakeConnector::FakeConnector;
  int32_t Open(std::u16string_view name, std::unique_ptr<vk::remote::RemoteComputer>& out,
               std::u16string& why) override {
    if (down.count(std::u16string(name)) != 0) {
      why = u"ssh: connect to host: No route to host";
      return 1231;  // ERROR_NETWORK_UNREACHABLE
    }
    return FakeConnector::Open(name, out, why);
  }
  std::set<std::u16string> down;
};

// Answers each get with the next object of `answers` and records what every
// set sent.
struct ScriptedRpc : cVkRpcBinder {
  struct Channel : cVkRpcChannel {
    explicit Channel(ScriptedRpc& rpc) : rpc(rpc) {}
    int32_t CheckListening() override { return 0; }
    int32_t Call(uint32_t procedure, int32_t type, const VkRpcBuffer& in, VkRpcBuffer& out, VkRpcBuffer&,
                 int32_t* status, bool* exception) override {
      *exception = false;
      *status = 0;
      if (procedure == kVkProcSetServiceData) {
        rpc.sets.emplace_back(type, std::vector<uint8_t>(in.bytes, in.bytes + in.length));
        *status = rpc.setStatus;
        return 0;
      }
      if (rpc.answers.empty()) return 0;
      const std::vector<uint8_t>& bytes = rpc.answers.front();
      out.bytes = static_cast<uint8_t*>(malloc(bytes.size()));
      std::copy(bytes.begin(), bytes.end(), out.bytes);
      out.length = static_cast<uint32_t>(bytes.size());
      rpc.answers.pop_front();
      return 0;
    }
    ScriptedRpc& rpc;
  };
  int32_t Bind(std::unique_ptr<vk::ssh::SshStream>, std::unique_ptr<cVkRpcChannel>& channel) override {
    channel = std::make_unique<Channel>(*this);
    return 0;
  }
  void Answer(const cVkObject& object) {
    std::vector<uint8_t> bytes;
    ASSERT_EQ(ObjectToBuffer(&object, bytes), 0);
    answers.push_back(bytes);
  }
  std::deque<std::vector<uint8_t>> answers;
  std::vector<std::pair<int32_t, std::vector<uint8_t>>> sets;
  int32_t setStatus = 0;
};

struct Questions : cVkOperatorQuestions {
  bool answer = true;
  std::vector<std::string> asked, boxes, progress;
  std::vector<int32_t> codes;
  struct Window : cVkProgressWindow {
    explicit Window(Questions& q) : q(q) {}
    void SetMainText(std::u16string_view text) override { q.progress.push_back(vk::ToUtf8(text)); }
    void SetProgressText(std::u16string_view) override {}
    void Hide() override {}
    void Show() override {}
    void OfferCancel() override { ++q.cancelOffers; }
    bool CancelRequested() const override { return q.cancelWhen && q.cancelWhen(); }
    Questions& q;
  };
  // The operator's Cancel on the progress window, as the run sees it.
  std::function<bool()> cancelWhen;
  int cancelOffers = 0;
  bool AskYesNo(std::u16string_view text) override {
    asked.push_back(vk::ToUtf8(text));
    return answer;
  }
  void ShowErrorBox(std::u16string_view text) override { boxes.push_back("stop: " + vk::ToUtf8(text)); }
  void ShowInformationBox(std::u16string_view text) override { boxes.push_back("info: " + vk::ToUtf8(text)); }
  void ShowExclamationBox(std::u16string_view text) override { boxes.push_back("warn: " + vk::ToUtf8(text)); }
  void ShowErrorDialog(std::u16string_view text, int32_t code, cOrkLog&) override {
    boxes.push_back("error: " + vk::ToUtf8(text));
    codes.push_back(code);
  }
  std::unique_ptr<cVkProgressWindow> OpenProgressDialog(std::u16string_view text) override {
    if (!text.empty()) progress.push_back(vk::ToUtf8(text));
    return std::make_unique<Window>(*this);
  }
};

std::vector<std::string> Lines(cOrkLog& log) {
  std::vector<std::string> lines;
  uint32_t index = 0, type = 0;
  int32_t time = 0, code = 0;
  char16_t buffer[1100];
  while (log.GetMemMessageEx(&index, LOG_ALL, &time, &type, &code, buffer, 1100) == 0)
    lines.push_back(vk::ToUtf8(buffer));
  return lines;
}

bool Contains(const std::vector<std::string>& lines, const std::string& text) {
  return std::find(lines.begin(), lines.end(), text) != lines.end();
}

class ConfigFlows : public ::testing::Test {
 protected:
  void SetUp() override {
    VkRegisterAdminClasses();
    log_.SetMemLogMask(LOG_ALL);
    computer_.states = {kServiceRunning};
    cVkAdminContext context;
    context.connector = &connector_;
    context.binder = &rpc_;
    context.questions = &questions_;
    context.wait = [](uint32_t) {};
    manager_.SetContext(context);
  }

  template <class T>
  std::unique_ptr<T> Sent(size_t index) {
    std::unique_ptr<T> object;
    EXPECT_EQ(ObjectFromBufferAs(rpc_.sets.at(index).second.data(), rpc_.sets.at(index).second.size(), object), 0);
    return object;
  }

  FakeComputer computer_;
  SomeDownConnector connector_{computer_};
  ScriptedRpc rpc_;
  Questions questions_;
  cVkAgentManager manager_;
  cOrkLog log_;
};

TEST_F(ConfigFlows, SecurityOfThreeComputersOneUnreachableComparesAndWritesTheOtherTwo) {
  connector_.down = {u"pc2"};
  // Read from the last computer to the first: pc3, then pc1.
  rpc_.Answer(cVkServiceSecurity({u"root"}, {u"ops"}, {}));
  rpc_.Answer(cVkServiceSecurity({u"root"}, {}, {}));
  std::vector<std::u16string> editorSaw;
  cVkSecurityFlowResult flow = VkEditSecurityOnComputers(
      log_, manager_, {u"pc1", u"pc2", u"pc3"},
      [&](cVkServiceSecurity& security) {
        editorSaw = security.GetOperators();
        security.SetLists({u"root", u"Alice Smith"}, {}, {u""});
        return true;
      },
      questions_);
  EXPECT_EQ(flow.readFailed, std::vector<std::u16string>{u"pc2"});
  EXPECT_EQ(flow.written, (std::vector<std::u16string>{u"pc1", u"pc3"}));
  EXPECT_TRUE(flow.writeFailed.empty());
  EXPECT_EQ(editorSaw, VkAccountList{u"ops"}) << "the dialog edits the first object read (the last computer's)";
  EXPECT_EQ(
      questions_.progress,
      (std::vector<std::string>{"Please Wait... Getting the security settings from the service on computer: pc3.\n",
                                "Please Wait... Getting the security settings from the service on computer: pc2.\n",
                                "Please Wait... Getting the security settings from the service on computer: pc1.\n",
                                "Please Wait... Setting the security settings for the service on computer: pc1.\n",
                                "Please Wait... Setting the security settings for the service on computer: pc3.\n"}));
  ASSERT_EQ(questions_.asked.size(), 1u);
  EXPECT_EQ(questions_.asked[0],
            "Warning: The service security settings for the selected services do not match. If you continue all "
            "setting will be overwritten. Do you wish to continue?");
  EXPECT_EQ(questions_.boxes, std::vector<std::string>{"error: An error has occurred while getting the security "
                                                       "settings from the service on computers 'pc2'."});
  EXPECT_EQ(questions_.codes, std::vector<int32_t>{1231});
  EXPECT_TRUE(Contains(Lines(log_),
                       "An error has occurred while getting the security settings from the service on computer 'pc2'. "
                       "Errorcode 1231"));
  ASSERT_EQ(rpc_.sets.size(), 2u);
  for (size_t i = 0; i < 2; ++i) {
    EXPECT_EQ(rpc_.sets[i].first, kVkSendSecurity);
    std::unique_ptr<cVkServiceSecurity> sent = Sent<cVkServiceSecurity>(i);
    ASSERT_NE(sent, nullptr);
    EXPECT_EQ(sent->GetAdministrators(), (VkAccountList{u"root", u"Alice Smith"}));
    EXPECT_TRUE(sent->GetOperators().empty());
    EXPECT_EQ(sent->GetUsers(), VkAccountList{u""});
  }
}

TEST_F(ConfigFlows, SecurityMismatchDeclinedOrEditorCancelledWritesNothing) {
  rpc_.Answer(cVkServiceSecurity({u"root"}, {u"ops"}, {}));
  rpc_.Answer(cVkServiceSecurity({u"root"}, {}, {}));
  questions_.answer = false;
  bool edited = false;
  auto editor = [&](cVkServiceSecurity&) { return edited = true; };
  cVkSecurityFlowResult flow = VkEditSecurityOnComputers(log_, manager_, {u"pc1", u"pc2"}, editor, questions_);
  EXPECT_EQ(questions_.asked.size(), 1u);
  EXPECT_FALSE(edited);
  EXPECT_FALSE(flow.edited);
  EXPECT_TRUE(rpc_.sets.empty());

  // The same lists ask nothing; a cancelled dialog sends nothing.
  questions_.asked.clear();
  rpc_.Answer(cVkServiceSecurity({u"root"}, {}, {}));
  rpc_.Answer(cVkServiceSecurity({u"root"}, {}, {}));
  flow = VkEditSecurityOnComputers(
      log_, manager_, {u"pc1", u"pc2"}, [](cVkServiceSecurity&) { return false; }, questions_);
  EXPECT_TRUE(questions_.asked.empty());
  EXPECT_TRUE(rpc_.sets.empty());
  EXPECT_TRUE(questions_.boxes.empty());
}

TEST_F(ConfigFlows, SecurityRunCancelledBetweenComputersNamesThoseNotReached) {
  for (int i = 0; i < 3; ++i) rpc_.Answer(cVkServiceSecurity({u"root"}, {}, {}));
  size_t checks = 0;
  // Three reads, then the first write; cancelled before the second.
  cVkSecurityFlowResult flow = VkEditSecurityOnComputers(
      log_, manager_, {u"pc1", u"pc2", u"pc3"}, [](cVkServiceSecurity&) { return true; }, questions_,
      [&] { return ++checks > 4; });
  EXPECT_EQ(flow.written, std::vector<std::u16string>{u"pc1"});
  EXPECT_EQ(flow.notReached, (std::vector<std::u16string>{u"pc2", u"pc3"}));
  EXPECT_EQ(rpc_.sets.size(), 1u);
  EXPECT_EQ(questions_.boxes,
            std::vector<std::string>{"error: One or more errors have occurred while setting the security settings"});
  EXPECT_EQ(questions_.codes, std::vector<int32_t>{1223});
  EXPECT_TRUE(Contains(Lines(log_),
                       "The security settings were not sent to the computers 'pc2,pc3': the operation was cancelled. "
                       "Errorcode 1223."));
}

TEST_F(ConfigFlows, SecurityWriteFailuresAreSummedUpWithTheLastCode) {
  rpc_.Answer(cVkServiceSecurity({u"root"}, {}, {}));
  rpc_.setStatus = 5;
  cVkSecurityFlowResult flow = VkEditSecurityOnComputers(
      log_, manager_, {u"pc1"}, [](cVkServiceSecurity&) { return true; }, questions_);
  EXPECT_EQ(flow.writeFailed, std::vector<std::u16string>{u"pc1"});
  EXPECT_EQ(flow.result, 5);
  EXPECT_TRUE(Contains(Lines(log_),
                       "An error has occurred while setting the security settings for the service on computer 'pc1'. "
                       "Errorcode 5"));
  EXPECT_EQ(questions_.codes, std::vector<int32_t>{5});
}

TEST_F(ConfigFlows, ConfigurationIsFetchedEditedAndSentOrTheFailureShown) {
  cVkServiceSettings stored;
  rpc_.Answer(stored);
  EXPECT_EQ(VkConfigureComputer(
                log_, manager_, u"pc1",
                [](cVkServiceSettings& settings) {
                  cVkServiceSettingsTray tray;
                  tray.notificationMode = NOTIFY_QUESTION;
                  settings.SetParts(*settings.GetConnection(), *settings.GetInput(), *settings.GetScreen(), tray);
                  return true;
                },
                questions_),
            0);
  EXPECT_EQ(questions_.progress,
            (std::vector<std::string>{
                "Please Wait... Getting the configuration from the ViewKeeper service on computer: pc1.",
                "Please Wait... Sending the configuration to the ViewKeeper service on computer: pc1."}));
  ASSERT_EQ(rpc_.sets.size(), 1u);
  EXPECT_EQ(rpc_.sets[0].first, kVkSendSettings);
  EXPECT_EQ(Sent<cVkServiceSettings>(0)->GetTray()->notificationMode, NOTIFY_QUESTION);

  // A cancelled sheet sends nothing.
  rpc_.Answer(stored);
  EXPECT_EQ(VkConfigureComputer(
                log_, manager_, u"pc1", [](cVkServiceSettings&) { return false; }, questions_),
            kVkEditCancelled);
  EXPECT_EQ(rpc_.sets.size(), 1u);
  EXPECT_TRUE(questions_.boxes.empty());

  connector_.down = {u"pc2"};
  EXPECT_EQ(VkConfigureComputer(
                log_, manager_, u"pc2", [](cVkServiceSettings&) { return true; }, questions_),
            1231);
  EXPECT_EQ(questions_.boxes,
            std::vector<std::string>{"error: An error has occurred while configuring the service on computer pc2."});
  EXPECT_EQ(Lines(log_).back(),
            "An error has occurred while getting the service configuration from computer pc2. Errorcode 1231.");

  rpc_.Answer(stored);
  rpc_.setStatus = 5;
  EXPECT_EQ(VkConfigureComputer(
                log_, manager_, u"pc1", [](cVkServiceSettings&) { return true; }, questions_),
            5);
  EXPECT_EQ(Lines(log_).back(),
            "An error has occurred while setting the service configuration on computer pc1. Errorcode 5.");
}

TEST_F(ConfigFlows, WizardInstallFailureShowsTheErrorDialogAndTheStopBox) {
  computer_.states = {0};
  AgentFilesFolder files;
  ASSERT_EQ(manager_.InitServiceFiles(log_, files.Folder()), 0);
  computer_.copyResult = 112;  // ERROR_DISK_FULL
  EXPECT_NE(VkDeployFromWizard(log_, manager_, nullptr, u"pc1", cVkWizardLogon{}, questions_), 0);
  ASSERT_EQ(questions_.boxes.size(), 2u);
  EXPECT_EQ(questions_.boxes[0], "error: Error installing the ViewKeeper service on computer 'pc1'.");
  EXPECT_EQ(questions_.boxes[1], "stop: The installation of the ViewKeeper service on computer 'pc1' has failed.");
  EXPECT_TRUE(Contains(questions_.progress, "Please Wait... Installing the ViewKeeper service on computer 'pc1'."));

  questions_.boxes.clear();
  computer_.copyResult = 0;
  computer_.states = {0};
  computer_.onStart = [](FakeComputer& c) { c.states = {kServiceRunning}; };
  EXPECT_EQ(VkDeployFromWizard(log_, manager_, nullptr, u"pc1", cVkWizardLogon{}, questions_), 0);
  EXPECT_TRUE(questions_.boxes.empty());
  EXPECT_GE(computer_.starts, 1);
}

// Cancel pressed while the first computer runs: the others are not
// reached, and the summary names them.
TEST_F(ConfigFlows, RunsOverSeveralComputersStopAtACancelAndNameTheComputersNotReached) {
  computer_.states = {0};  // nothing installed: each removal is done at once
  auto seen = [this](const std::string& text) {
    return std::find(questions_.progress.begin(), questions_.progress.end(), text) != questions_.progress.end();
  };
  questions_.cancelWhen = [&] { return seen("Please Wait... Removing the ViewKeeper service from computer pc1."); };
  std::unique_ptr<cVkProgressWindow> progress = questions_.OpenProgressDialog(u"");
  cVkFlowResult flow = VkRemoveFromComputers(log_, manager_, {u"pc1", u"pc2", u"pc3"}, progress.get(), &questions_);
  EXPECT_EQ(questions_.cancelOffers, 1);
  EXPECT_EQ(flow.succeeded, std::vector<std::u16string>{u"pc1"});
  EXPECT_EQ(flow.notReached, (std::vector<std::u16string>{u"pc2", u"pc3"}));
  EXPECT_FALSE(seen("Please Wait... Removing the ViewKeeper service from computer pc2."));
  EXPECT_EQ(questions_.boxes,
            (std::vector<std::string>{
                "warn: The operation was cancelled. It did not reach the following computers: 'pc2,pc3'.",
                "info: The ViewKeeper service was successfully uninstalled from the following computers: 'pc1'."}));
  EXPECT_TRUE(Contains(Lines(log_),
                       "The operation was cancelled before it reached the following computers: 'pc2,pc3'. "
                       "Errorcode 1223."));

  // One computer: nothing to cancel between computers, no Cancel offered.
  questions_.boxes.clear();
  questions_.cancelOffers = 0;
  questions_.cancelWhen = [] { return true; };
  flow = VkInstallOnComputers(log_, manager_, {u"pc9"}, u"/opt/viewkeeper/", progress.get(), nullptr);
  EXPECT_EQ(questions_.cancelOffers, 0);
  EXPECT_TRUE(flow.notReached.empty());
}

}  // namespace
