// The start and stop routines and the service frame, with recording managers
// and a notification socket standing in for systemd.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <future>
#include <tuple>
#include <mutex>
#include <string>
#include <vector>

#include <functional>
#include <map>

#include "agent/tests/service_notify_texts.h"
#include "agent/service/agent_log.h"
#include "agent/service/locations_setup.h"
#include "agent/service/service.h"
#include "agent/tests/agent_test_support.h"
#include "common/testing/log_lines.h"
#include "platform/eventlog/event_log.h"
#include "platform/service/dispatcher.h"
#include "platform/service/tests/notify_socket.h"
#include "platform/testing/child_process.h"

namespace {

using namespace vk::agent;
using vk::testing::AgentFolder;
using vk::testing::U16;

using vk::testing::kStartHints;
using vk::testing::kStopHints;
using vk::testing::StartPending;
using vk::testing::StopPending;

class ServiceRoutines;

// A manager that records its calls and answers the code set for it.
class RecordingManager : public iVkServiceManager {
 public:
  RecordingManager(ServiceRoutines& test, std::string start, std::string stop)
      : test_(test), start_(std::move(start)), stop_(std::move(stop)) {}
  int32_t Start(cOrkLog& log) override;
  int32_t Stop(cOrkLog& log) override;
  std::function<int32_t(cOrkLog&)> onStart;  // replaces the recorded start when set

 private:
  ServiceRoutines& test_;
  std::string start_, stop_;
};

// An RPC listener whose thread reports running and waits for its stop.
class RecordingRpc : public iVkRpcListener {
 public:
  explicit RecordingRpc(ServiceRoutines& test) : test_(test) {}
  int32_t StartListenerThread(cOrkLog& log, vk::WorkerThread& thread, iVkServiceControl& service) override;
  int32_t StopListening(cOrkLog& log) override;

 private:
  ServiceRoutines& test_;
};

class ServiceRoutines : public ::testing::Test {
 public:
  int32_t Called(const std::string& what) {
    std::lock_guard lock(mutex_);
    calls_.push_back(what);
    return answers_.count(what) ? answers_[what] : 0;
  }

 protected:
  void SetUp() override {
    ASSERT_TRUE(notify_.Ok());
    setenv("NOTIFY_SOCKET", notify_.Path().c_str(), 1);
    folder_.WriteLocations();
    cOrkLog log;
    ASSERT_EQ(InitializeLocations(locations_, log, U16(folder_.Program() + "/deskagent")), 0);
    SetupAgentLog(serviceLog_, false);
    SetupAgentLog(log_, false);
    MakeService(nullptr);
  }
  void TearDown() override {
    service_->Record().SetStatusHandle(false);
    unsetenv("NOTIFY_SOCKET");
  }
  void MakeService(iVkRpcListener* rpc) {
    service_ = std::make_unique<cVkService>(
        cVkServiceParts{serviceLog_, locations_, logFile_, settings_, security_, &tray_, &session_, rpc});
    service_->Record().SetStatusHandle(true);
  }

  // For tests that do not read the reports: nothing is sent.
  void QuietReports() { service_->Record().SetStatusHandle(false); }

  std::vector<std::string> Calls() {
    std::lock_guard lock(mutex_);
    return calls_;
  }
  void ExpectStartReports() {
    for (int i = 0; i < 7; ++i) EXPECT_EQ(notify_.Next(), StartPending(i + 1, kStartHints[i]));
  }
  void ExpectStopReports() {
    for (int i = 0; i < 7; ++i) EXPECT_EQ(notify_.Next(), StopPending(i + 1, kStopHints[i]));
  }
  std::string AgentLogFile() { return vk::testing::ReadFileText(folder_.Settings() + "DeskAgent.log"); }

  vk::testing::NotifySocket notify_;
  AgentFolder folder_;
  cOrkLog serviceLog_;
  cVkLocations locations_;
  cVkAgentLogFile logFile_{locations_};
  RecordingManager settings_{*this, "settings.load", "settings.save"};
  RecordingManager security_{*this, "security.init", "security.save"};
  RecordingManager tray_{*this, "tray.init", "tray.uninit"};
  RecordingManager session_{*this, "session.start", "session.stop"};
  std::unique_ptr<cVkService> service_;
  cOrkLog log_;
  std::mutex mutex_;
  std::vector<std::string> calls_;
  std::map<std::string, int32_t> answers_;
};

int32_t RecordingManager::Start(cOrkLog& log) { return onStart ? onStart(log) : test_.Called(start_); }
int32_t RecordingManager::Stop(cOrkLog&) { return test_.Called(stop_); }

int32_t RecordingRpc::StartListenerThread(cOrkLog&, vk::WorkerThread& thread, iVkServiceControl& service) {
  test_.Called("rpc.start");
  return thread.Start([&service](vk::ManualResetEvent& stop) -> int32_t {
    service.ReportServiceRunning();
    stop.Wait();
    return 0;
  });
}
int32_t RecordingRpc::StopListening(cOrkLog&) { return test_.Called("rpc.stoplistening"); }

TEST_F(ServiceRoutines, StartAndStopRunTheManagersInOrderWithTheirCheckpointsAndWaitHints) {
  EXPECT_EQ(service_->Start(log_), 0);
  ExpectStartReports();
  // Without an RPC listener the start routine itself reports running.
  EXPECT_EQ(notify_.Next(), "READY=1\nSTATUS=Running\n");
  EXPECT_EQ(Calls(), (std::vector<std::string>{"settings.load", "security.init", "tray.init", "session.start"}));

  service_->Record().ResetCheckpoint();
  EXPECT_EQ(service_->Stop(log_), 0);
  ExpectStopReports();
  EXPECT_EQ(Calls(), (std::vector<std::string>{"settings.load", "security.init", "tray.init", "session.start",
                                               "session.stop", "tray.uninit", "settings.save", "security.save"}));
  EXPECT_TRUE(vk::testing::LogLines(log_).empty());
  auto announcements = vk::testing::LogLines(serviceLog_);
  ASSERT_EQ(announcements.size(), 2u);
  EXPECT_EQ(announcements[0].text, "Starting ViewKeeper service. Version 2.1, Build 1114.");
  EXPECT_EQ(announcements[0].type, LOG_WARNING);
  EXPECT_EQ(announcements[1].text, "The ViewKeeper service has stopped.");
}

TEST_F(ServiceRoutines, RpcListenerReportsRunningFromItsThreadAndIsStoppedLast) {
  RecordingRpc rpc(*this);
  MakeService(&rpc);
  EXPECT_EQ(service_->Start(log_), 0);
  // The listener's running report may come before or after the later start steps.
  std::vector<std::string> reports;
  for (int i = 0; i < 8; ++i) reports.push_back(notify_.Next().value_or("none"));
  EXPECT_EQ(std::count(reports.begin(), reports.end(), "READY=1\nSTATUS=Running\n"), 1);
  EXPECT_EQ(Calls()[2], "rpc.start");

  service_->Record().ResetCheckpoint();
  EXPECT_EQ(service_->Stop(log_), 0);
  ExpectStopReports();
  EXPECT_EQ(Calls()[5], "rpc.stoplistening");
  EXPECT_FALSE(service_->Record().RpcListenerThread().Running());
}

TEST_F(ServiceRoutines, DamagedSettingsAreLoggedToTheFileAndNeverWrittenBackUnlessChanged) {
  QuietReports();
  answers_["settings.load"] = 13;
  log_.LogMsg(LOG_ERROR, 9, u"Loader detail. Errorcode %ld.", 9);
  EXPECT_EQ(service_->Start(log_), 0);
  EXPECT_TRUE(vk::testing::LogLines(log_).empty());
  std::string file = AgentLogFile();
  EXPECT_NE(file.find("An error has occurred while loading the service settings from '" + folder_.Settings() +
                      "Settings.dat'. Errorcode 13. (13)"),
            std::string::npos)
      << file;
  EXPECT_NE(file.find("Loader detail. Errorcode 9."), std::string::npos);

  EXPECT_EQ(service_->Stop(log_), 0);
  std::vector<std::string> calls = Calls();
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "settings.save"), 0);  // the damaged file stays
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "security.save"), 1);

  // Settings accepted through RPC are saved at once and again at stop.
  EXPECT_EQ(service_->SaveServiceSettings(log_), 0);
  EXPECT_EQ(Calls().back(), "settings.save");
  EXPECT_EQ(service_->Stop(log_), 0);
  calls = Calls();
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "settings.save"), 2);
}

TEST_F(ServiceRoutines, MissingSettingsFileIsSilentAndTheDefaultsAreSavedAtStop) {
  QuietReports();
  answers_["settings.load"] = 2;
  EXPECT_EQ(service_->Start(log_), 0);
  EXPECT_EQ(service_->Stop(log_), 0);
  std::vector<std::string> calls = Calls();
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "settings.save"), 1);
  EXPECT_TRUE(vk::testing::LogLines(log_).empty());
  EXPECT_EQ(AgentLogFile(), "");
}

TEST_F(ServiceRoutines, FailedSecurityEndsTheStartAndItsStateIsNotSaved) {
  QuietReports();
  answers_["security.init"] = 5;
  EXPECT_EQ(service_->Start(log_), 5);
  EXPECT_TRUE(vk::testing::HasLineStartingWith(
      log_, "An error has occurred while initializing service security. Errorcode 5."));
  EXPECT_EQ(service_->Stop(log_), 0);
  std::vector<std::string> calls = Calls();
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "security.save"), 0);
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "settings.save"), 1);
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "tray.init"), 0);
}

TEST_F(ServiceRoutines, StopGoesOnAfterFailuresAndStillSaves) {
  QuietReports();
  answers_["tray.uninit"] = 1460;
  answers_["session.stop"] = 6;
  answers_["security.save"] = 5;
  EXPECT_EQ(service_->Start(log_), 0);
  EXPECT_EQ(service_->Stop(log_), -1);
  std::vector<std::string> calls = Calls();
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "settings.save"), 1);
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "security.save"), 1);
  auto lines = vk::testing::LogLines(log_);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].text, "An error has occurred while stopping the connection manager. Errorcode 6.");
  EXPECT_EQ(lines[1].text, "An error has occurred while uninitializing the tray manager. Errorcode 1460.");
  EXPECT_EQ(lines[2].text, "An error has occurred while saving the security settings to disk. Errorcode 5.");
}

TEST_F(ServiceRoutines, ServiceMainHonoursAStopDuringStartUpAndAnswersInterrogateWithTheRealState) {
  service_->Record().SetStatusHandle(false);
  session_.onStart = [this](cOrkLog&) {
    ExpectStartReports();
    // Interrogate while start pending: the current state again, not "running".
    kill(getpid(), SIGHUP);
    EXPECT_EQ(notify_.Next(), StartPending(7, 10000));
    // A stop during start-up waits for the start to end.
    kill(getpid(), SIGTERM);
    return 0;
  };
  EXPECT_EQ(vk::service::RunServiceDispatcher(u"ViewKeeper", [this] { service_->ServiceMain(); }), 0);
  EXPECT_EQ(notify_.Next(), "READY=1\nSTATUS=Running\n");
  ExpectStopReports();
  EXPECT_EQ(notify_.Next(), "STATUS=Stopped\n");
  EXPECT_EQ(service_->Result(), 0);
}

// Event-log entries as the service log reports them.
struct RecordingEventLog : vk::EventLogSink {
  std::mutex mutex;
  std::vector<std::tuple<std::u16string, vk::EventType, uint32_t, std::u16string>> entries;
  bool Report(std::u16string_view source, vk::EventType type, uint32_t id, std::u16string_view text) override {
    std::lock_guard lock(mutex);
    entries.emplace_back(source, type, id, text);
    return true;
  }
};

TEST_F(ServiceRoutines, FailedStartStopsTheServiceAndReportsItFailed) {
  service_->Record().SetStatusHandle(false);
  RecordingEventLog events;
  vk::EventLogSink* previous = vk::SetEventLogSink(&events);
  SetupAgentLog(serviceLog_, true);
  answers_["security.init"] = 5;
  // More reports than the socket queues: read them while the service runs.
  auto reader = std::async(std::launch::async, [this] {
    std::vector<std::string> reports;
    for (int i = 0; i < 12; ++i) reports.push_back(notify_.Next().value_or("none"));
    return reports;
  });
  EXPECT_EQ(vk::service::RunServiceDispatcher(u"ViewKeeper", [this] { service_->ServiceMain(); }), 0);
  std::vector<std::string> expected;
  for (int i = 0; i < 4; ++i) expected.push_back(StartPending(i + 1, kStartHints[i]));
  for (int i = 0; i < 7; ++i) expected.push_back(StopPending(i + 1, kStopHints[i]));
  expected.push_back("STATUS=Stopped (exit code 1066, service code 5)\n");
  EXPECT_EQ(reader.get(), expected);
  EXPECT_EQ(service_->Result(), 5);
  EXPECT_TRUE(vk::testing::HasLineStartingWith(
      serviceLog_, "A critical error has occurred while starting the ViewKeeper service. Errorcode 5"));
  // Announcements are information entries, the critical error an error entry.
  vk::SetEventLogSink(previous);
  SetupAgentLog(serviceLog_, false);
  serviceLog_.SetAppLogMask(0);
  using Entry = std::tuple<std::u16string, vk::EventType, uint32_t, std::u16string>;
  std::vector<Entry> expectedEvents{
      {u"ViewKeeper", vk::EventType::Information, 0x40000002u,
       u"Starting ViewKeeper service. Version 2.1, Build 1114."},
      {u"ViewKeeper", vk::EventType::Error, 0xC0000004u,
       u"A critical error has occurred while starting the ViewKeeper service. Errorcode 5"},
      {u"ViewKeeper", vk::EventType::Information, 0x40000002u, u"The ViewKeeper service has stopped."}};
  EXPECT_EQ(events.entries, expectedEvents);
  std::string file = AgentLogFile();
  EXPECT_NE(file.find("An error has occurred while initializing service security. Errorcode 5."), std::string::npos);
  std::vector<std::string> calls = Calls();
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "session.stop"), 1);
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "security.save"), 0);
}

}  // namespace
