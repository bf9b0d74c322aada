// The agent log file: one block per failed activity, the 5 MiB rule, and
// concurrent writers.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "agent/service/agent_log.h"
#include "common/locations/locations.h"
#include "agent/service/locations_setup.h"
#include "agent/tests/agent_test_support.h"
#include "common/testing/log_lines.h"
#include "platform/testing/child_process.h"

namespace {

using vk::testing::AgentFolder;
using vk::testing::U16;

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t pos = text.find(what); pos != std::string::npos; pos = text.find(what, pos + 1)) ++n;
  return n;
}

class AgentLog : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_.WriteLocations();
    cOrkLog log;
    ASSERT_EQ(InitializeLocations(locations_, log, U16(folder_.Program() + "/deskagent")), 0);
    logFile_ = folder_.Settings() + "DeskAgent.log";
  }
  void WriteFileOfSize(size_t size) {
    std::ofstream out(logFile_, std::ios::binary | std::ios::trunc);
    out << std::string(size, 'a');
  }

  AgentFolder folder_;
  std::string logFile_;
  cVkLocations locations_;
  cVkAgentLogFile agentLog_{locations_};
};

TEST_F(AgentLog, AppendWritesOneBlockWithEveryMessageAndEmptiesTheLog) {
  cOrkLog log;
  SetupAgentLog(log, false);
  log.LogMsg(LOG_ERROR, 5, u"First failure. Errorcode %ld.", 5);
  log.LogMsg(LOG_WARNING, u"Operation timed out.");
  agentLog_.AppendLogToFile(log);
  EXPECT_TRUE(vk::testing::LogLines(log).empty());

  std::string text = vk::testing::ReadFileText(logFile_);
  EXPECT_EQ(text.rfind("Log session started at ", 0), 0u) << text;
  EXPECT_NE(text.find(" First failure. Errorcode 5. (5)\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find(" Operation timed out.\r\n"), std::string::npos) << text;
  EXPECT_EQ(Count(text, "Log session ended at "), 1u);
}

TEST_F(AgentLog, FileOfExactlyFiveMiBIsAppendedToAndOneByteMoreStartsANewFile) {
  cOrkLog log;
  SetupAgentLog(log, false);
  WriteFileOfSize(5242880);
  log.LogMsg(LOG_ERROR, 1, u"Kept. Errorcode %ld.", 1);
  agentLog_.AppendLogToFile(log);
  std::string text = vk::testing::ReadFileText(logFile_);
  ASSERT_GT(text.size(), 5242880u);
  EXPECT_EQ(text.substr(0, 5242880), std::string(5242880, 'a'));
  EXPECT_NE(text.find("Kept. Errorcode 1.", 5242880), std::string::npos);

  WriteFileOfSize(5242881);
  log.LogMsg(LOG_ERROR, 2, u"Fresh. Errorcode %ld.", 2);
  agentLog_.AppendLogToFile(log);
  text = vk::testing::ReadFileText(logFile_);
  EXPECT_EQ(text.rfind("Log session started at ", 0), 0u);
  EXPECT_LT(text.size(), 1000u);
  EXPECT_NE(text.find("Fresh. Errorcode 2."), std::string::npos);
}

TEST_F(AgentLog, ConcurrentAppendsLoseNoBlockAcrossTheSizeLimit) {
  // Start at the limit: the first block still goes to this file, the next
  // writer removes it while the others are waiting to append.
  WriteFileOfSize(5242880);
  constexpr int kThreads = 6, kBlocks = 25;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([this, t] {
      for (int b = 0; b < kBlocks; ++b) {
        cOrkLog log;
        SetupAgentLog(log, false);
        log.LogMsg(LOG_ERROR, t, u"Writer %ld block %ld.", t, b);
        agentLog_.AppendLogToFile(log);
      }
    });
  }
  for (auto& thread : threads) thread.join();
  std::string text = vk::testing::ReadFileText(logFile_);
  // The file was replaced once; the new file holds whole blocks only, and
  // every block written after the replacement is there.
  ASSERT_EQ(text.rfind("Log session started at ", 0), 0u);
  size_t started = Count(text, "Log session started at ");
  EXPECT_EQ(started, Count(text, "Log session ended at "));
  EXPECT_EQ(started, Count(text, " block "));
  EXPECT_EQ(started, static_cast<size_t>(kThreads * kBlocks) - 1);  // the first block went to the old file
}

}  // namespace
