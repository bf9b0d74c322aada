// deskagent as a process: its own registry and settings folders, a
// notification socket standing in for systemd, stops by signal.
#include <gtest/gtest.h>

#include <signal.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <span>

#include "agent/tests/service_notify_texts.h"
#include "agent/tests/agent_test_support.h"
#include "platform/service/tests/notify_socket.h"
#include "platform/testing/child_process.h"

namespace {

using vk::testing::AgentFolder;
using vk::testing::ChildProcess;
using vk::testing::NotifySocket;
using vk::testing::ReadFileText;

// The RPC listener thread reports from its own thread, in between: start
// pending while it sets up, stop pending once listening ends.
const int kListenerStartHints[] = {4000, 4000, 4000, 6000};
const int kListenerStopHints[] = {4000, 2000};
const char kReady[] = "READY=1\nSTATUS=Running\n";

// Settings.dat with the default settings.
const std::string kDefaultSettings(
    "\x01\x00\x00\x00"
    "\x01\x00\x00\x00"
    "\x02\x00"
    "\x00\xBD"
    "\x02\x00"
    "\x02\xBD"
    "\x01\x00\x00\x00"
    "\x0B\x00\x00\x00"
    "\x02\x00\x00\x00"
    "\xFF\xFF\xFF\xFF"
    "\xE8\x03\x00\x00"
    "\x64\x00\x00\x00"
    "\x06\x00\x00\x00"
    "\x01\x00\x00\x00"
    "\x01\x00\x00\x00",
    52);

std::string RandomBytes(size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(random());
  return bytes;
}

using vk::testing::kStartHints;
using vk::testing::kStopHints;
using vk::testing::StartPending;
using vk::testing::StopPending;

class DeskAgentProcess : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(notify_.Ok());
    folder_.WriteLocations();
  }

  std::unique_ptr<ChildProcess> Start(bool withNotify = true) {
    // No DISPLAY or XAUTHORITY of the caller's: the agent must never reach a
    // developer's real desktop.
    std::map<std::string, std::string> env{{"VIEWKEEPER_REGISTRY_DIR", folder_.Registry()},
                                           {"VIEWKEEPER_EVENT_LOG", "stderr"},
                                           {"NOTIFY_SOCKET", withNotify ? notify_.Path() : ""},
                                           {"DISPLAY", ""},
                                           {"XAUTHORITY", ""}};
    auto child = std::make_unique<ChildProcess>(DESKAGENT_PATH, env, StderrFile());
    EXPECT_TRUE(child->Started());
    return child;
  }
  // Pending reports with checkpoints 1 to n: in checkpoint order, the
  // routine's wait hints in order with the listener thread's in order
  // merged in. Two threads report, so they may arrive out of that order.
  void ExpectPendings(bool stop, std::span<const int> routine, std::span<const int> listener) {
    std::map<int, int> hints;  // checkpoint -> wait hint
    for (size_t i = 0; i < routine.size() + listener.size(); ++i) {
      std::optional<std::string> text = notify_.Next();
      ASSERT_TRUE(text);
      int checkPoint = 0, hint = 0;
      const char* format = stop ? "STOPPING=1\nSTATUS=Stop pending (checkpoint %d, wait hint %d ms)"
                                : "STATUS=Start pending (checkpoint %d, wait hint %d ms)";
      ASSERT_EQ(std::sscanf(text->c_str(), format, &checkPoint, &hint), 2) << *text;
      ASSERT_EQ(*text, Pending(stop, checkPoint, hint));
      hints[checkPoint] = hint;
    }
    size_t r = 0, l = 0;
    int expected = 1;
    for (auto [checkPoint, hint] : hints) {
      ASSERT_EQ(checkPoint, expected++);
      if (r < routine.size() && hint == routine[r]) {
        ++r;
      } else {
        ASSERT_TRUE(l < listener.size() && hint == listener[l]) << "checkpoint " << checkPoint << " hint " << hint;
        ++l;
      }
    }
  }
  static std::string Pending(bool stop, int checkPoint, int hint) {
    return stop ? StopPending(checkPoint, hint) : StartPending(checkPoint, hint);
  }
  void ExpectStartedAndRunning() {
    ExpectPendings(false, kStartHints, kListenerStartHints);
    ASSERT_EQ(notify_.Next(), kReady);
  }
  void ExpectStopped(ChildProcess& child, int exitStatus = 0) {
    ExpectPendings(true, kStopHints, kListenerStopHints);
    ASSERT_EQ(notify_.Next(), "STATUS=Stopped\n");
    ASSERT_EQ(child.Wait(), exitStatus);
  }
  // Starts, waits for running, stops by SIGTERM and waits for the exit.
  void RunOnce() {
    auto child = Start();
    ExpectStartedAndRunning();
    child->Signal(SIGTERM);
    ExpectStopped(*child);
  }
  std::string StderrFile() const { return folder_.Root() + "/stderr.txt"; }
  std::string SettingsFile() const { return folder_.Settings() + "Settings.dat"; }
  std::string LogFile() const { return folder_.Settings() + "DeskAgent.log"; }
  void WriteSettings(const std::string& bytes) const {
    std::filesystem::create_directories(folder_.Settings());
    std::ofstream(SettingsFile(), std::ios::binary | std::ios::trunc) << bytes;
  }

  NotifySocket notify_;
  AgentFolder folder_;
};

TEST_F(DeskAgentProcess, StartsRunsAnswersInterrogateAndStopsOnSigterm) {
  auto child = Start();
  ExpectStartedAndRunning();
  child->Signal(SIGHUP);
  EXPECT_EQ(notify_.Next(), kReady);
  child->Signal(SIGTERM);
  ExpectStopped(*child);

  std::string events = ReadFileText(StderrFile());
  EXPECT_NE(events.find("event 0x40000002 information: Starting ViewKeeper service. Version 2.1, Build 1114.\n"),
            std::string::npos)
      << events;
  EXPECT_NE(events.find("event 0x40000002 information: The ViewKeeper service has stopped.\n"), std::string::npos);
  // Nothing failed, so the log file holds nothing.
  EXPECT_FALSE(std::filesystem::exists(LogFile()) && std::filesystem::file_size(LogFile()) > 0)
      << ReadFileText(LogFile());
  // The event source was registered with the service folder of the registry.
  std::string registry = ReadFileText(folder_.Registry() + "/HKLM.reg");
  EXPECT_NE(registry.find("\"EventMessageFile\"=\"" + folder_.Service() + "DeskMsg.dll\""), std::string::npos)
      << registry;
  EXPECT_NE(registry.find("\"TypesSupported\"=dword:00000007"), std::string::npos) << registry;
}

TEST_F(DeskAgentProcess, StopDuringStartUpIsHonouredOnceStartUpEnds) {
  auto child = Start();
  ASSERT_EQ(notify_.Next(), StartPending(1, 2000));
  child->Signal(SIGTERM);
  // The start routine ends its steps, then the stop routine runs all of its
  // own; the listener may have reported some of its steps in between.
  std::vector<int> startHints, stopHints;
  for (std::optional<std::string> text; (text = notify_.Next()) && *text != "STATUS=Stopped\n";) {
    int checkPoint = 0, hint = 0;
    if (std::sscanf(text->c_str(), "STATUS=Start pending (checkpoint %d, wait hint %d ms)", &checkPoint, &hint) == 2)
      startHints.push_back(hint);
    if (std::sscanf(text->c_str(), "STOPPING=1\nSTATUS=Stop pending (checkpoint %d, wait hint %d ms)", &checkPoint,
                    &hint) == 2)
      stopHints.push_back(hint);
  }
  auto holdsInOrder = [](const std::vector<int>& reported, std::span<const int> steps) {
    size_t next = 0;
    for (int hint : reported)
      if (next < steps.size() && hint == steps[next]) ++next;
    return next == steps.size();
  };
  EXPECT_TRUE(holdsInOrder(startHints, std::span(kStartHints).subspan(1)));
  EXPECT_TRUE(holdsInOrder(stopHints, kStopHints));
  EXPECT_EQ(child->Wait(), 0);
}

TEST_F(DeskAgentProcess, RunsInTheForegroundWithReportsOnStandardError) {
  // Without a notification socket the reports are lines on standard error.
  std::map<std::string, std::string> env{
      {"VIEWKEEPER_REGISTRY_DIR", folder_.Registry()}, {"NOTIFY_SOCKET", ""}, {"DISPLAY", ""}, {"XAUTHORITY", ""}};
  ChildProcess child(DESKAGENT_PATH, env, "");
  ASSERT_TRUE(child.Started());
  ASSERT_TRUE(child.ReadStderrUntil("READY=1")) << child.StderrText();
  EXPECT_NE(
      child.StderrText().find("STATUS=Start pending (checkpoint 1, wait hint 2000 ms) EXTEND_TIMEOUT_USEC=2000000"),
      std::string::npos)
      << child.StderrText();
  // The service log's entries are shown there too.
  EXPECT_NE(child.StderrText().find("Starting ViewKeeper service. Version 2.1, Build 1114."), std::string::npos);
  child.Signal(SIGINT);  // Ctrl+C
  ASSERT_TRUE(child.ReadStderrUntil("STATUS=Stopped")) << child.StderrText();
  EXPECT_NE(child.StderrText().find("STOPPING=1 STATUS=Stop pending (checkpoint 9, wait hint "), std::string::npos);
  EXPECT_EQ(child.Wait(), 0);
  EXPECT_FALSE(notify_.Next(std::chrono::milliseconds(0)));  // nothing went to the socket
}

TEST_F(DeskAgentProcess, FirstStopWritesTheDefaultSettingsAndLaterRunsKeepLoadedOnes) {
  ASSERT_FALSE(std::filesystem::exists(SettingsFile()));
  RunOnce();
  EXPECT_EQ(ReadFileText(SettingsFile()), kDefaultSettings);
  // The access lists were saved too: the defaults at the first stop.
  std::string registry = ReadFileText(folder_.Registry() + "/HKLM.reg");
  EXPECT_NE(registry.find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvalline\\ViewKeeper\\Service\\Settings]\n"
                          "\"Administrators\"=\"Administrators\"\n\"Operators\"=\"Administrators\"\n"
                          "\"Users\"=\"Administrators\"\n"),
            std::string::npos)
      << registry;

  // A valid file with another update port is loaded and written back as it was.
  std::string changed = kDefaultSettings;
  changed[10] = '\x34';
  WriteSettings(changed);
  RunOnce();
  EXPECT_EQ(ReadFileText(SettingsFile()), changed);
  EXPECT_FALSE(std::filesystem::exists(LogFile()) && std::filesystem::file_size(LogFile()) > 0);
}

TEST_F(DeskAgentProcess, ConfiguredAccessListsSurviveAStartAndStop) {
  folder_.WriteRegistry(
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvalline\\ViewKeeper\\Service\\Locations]\r\n"
      "\"SettingsPath\"=\"" +
      folder_.Settings() +
      "\"\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvalline\\ViewKeeper\\Service\\Settings]\r\n"
      "\"Administrators\"=\"root\"\r\n\"Operators\"=\"\"\r\n\"Users\"=\"root\"\r\n\r\n");
  RunOnce();
  std::string registry = ReadFileText(folder_.Registry() + "/HKLM.reg");
  EXPECT_NE(registry.find("\"Administrators\"=\"root\"\n\"Operators\"=\"\"\n\"Users\"=\"root\"\n"), std::string::npos)
      << registry;
}

TEST_F(DeskAgentProcess, FailedStartStopsTheAgentAsFailedAndKeepsTheAccessLists) {
  // An account that does not exist: the access rights cannot be built.
  const std::string lists = "\"Administrators\"=\"no-such-account-xyz\"\r\n\"Operators\"=\"\"\r\n\"Users\"=\"\"\r\n";
  folder_.WriteRegistry(
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvalline\\ViewKeeper\\Service\\Locations]\r\n"
      "\"SettingsPath\"=\"" +
      folder_.Settings() +
      "\"\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvalline\\ViewKeeper\\Service\\Settings]\r\n" +
      lists + "\r\n");
  auto child = Start();
  for (int i = 0; i < 4; ++i) ASSERT_EQ(notify_.Next(), StartPending(i + 1, kStartHints[i]));
  // No stop request needed: the agent stops by itself and ends as failed.
  for (int i = 0; i < 7; ++i) ASSERT_EQ(notify_.Next(), StopPending(i + 1, kStopHints[i]));
  std::optional<std::string> last = notify_.Next();
  ASSERT_TRUE(last);
  EXPECT_EQ(last->rfind("STATUS=Stopped (exit code 1066, service code ", 0), 0u) << *last;
  EXPECT_EQ(child->Wait(), 1);

  std::string log = ReadFileText(LogFile());
  EXPECT_NE(log.find("An error has occurred while initializing service security. Errorcode "), std::string::npos)
      << log;
  std::string events = ReadFileText(StderrFile());
  EXPECT_NE(events.find("event 0xC0000004 error: A critical error has occurred while starting the ViewKeeper "
                        "service. Errorcode "),
            std::string::npos)
      << events;
  // The lists that could not be used are still as configured.
  std::string registry = ReadFileText(folder_.Registry() + "/HKLM.reg");
  EXPECT_NE(registry.find("\"Administrators\"=\"no-such-account-xyz\"\n"), std::string::npos) << registry;
}

TEST_F(DeskAgentProcess, DamagedSettingsAreLoggedTheDefaultsStayAndTheFileIsNotOverwritten) {
  const std::string damaged = kDefaultSettings.substr(0, 30);
  WriteSettings(damaged);
  RunOnce();
  std::string log = ReadFileText(LogFile());
  EXPECT_NE(
      log.find("An error has occurred while loading the service settings from '" + SettingsFile() + "'. Errorcode "),
      std::string::npos)
      << log;
  EXPECT_EQ(log.rfind("Log session started at ", 0), 0u);
  EXPECT_EQ(ReadFileText(SettingsFile()), damaged);
}

TEST_F(DeskAgentProcess, SettingsFilesOfAnyContentNeverStopTheStart) {
  const std::string contents[] = {
      "",                                                    // empty
      kDefaultSettings.substr(0, 51),                        // one byte short
      kDefaultSettings + "trailing",                         // longer than the settings
      RandomBytes(4096, 1),                                  // random
      std::string("\xFF\xFF\xFF\x7F") + RandomBytes(60, 2),  // absurd layout version
      RandomBytes(8 << 20, 3),                               // huge
  };
  for (const std::string& content : contents) {
    SCOPED_TRACE(content.size());
    WriteSettings(content);
    RunOnce();
  }
  // A folder where the file should be: unreadable, so the start goes on
  // with the defaults and the stop leaves the folder alone.
  std::filesystem::remove(SettingsFile());
  std::filesystem::create_directories(SettingsFile());
  RunOnce();
  EXPECT_TRUE(std::filesystem::is_directory(SettingsFile()));
}

TEST_F(DeskAgentProcess, KillingTheAgentNeverLeavesAHalfWrittenSettingsFile) {
  for (int step = 1; step <= 7; ++step) {
    SCOPED_TRACE(step);
    std::filesystem::remove(SettingsFile());
    auto child = Start();
    ExpectStartedAndRunning();
    child->Signal(SIGTERM);
    // The listener thread's stop reports come in between the routine's.
    for (int i = 0; i < step; ++i) {
      std::optional<std::string> text = notify_.Next();
      ASSERT_TRUE(text && text->rfind("STOPPING=1\n", 0) == 0);
    }
    child->Signal(SIGKILL);
    // After the last report the agent may have ended by itself.
    std::optional<int> status = child->Wait();
    ASSERT_TRUE(status == -SIGKILL || (step == 7 && status == 0));
    while (notify_.Next(std::chrono::milliseconds(0))) {
    }
    if (std::filesystem::exists(SettingsFile())) {
      EXPECT_EQ(ReadFileText(SettingsFile()), kDefaultSettings);
    }
  }
}

}  // namespace
