// The log file sink: the exact bytes, sessions, sharing and failures.
#include <gtest/gtest.h>

#include <ctime>
#include <regex>
#include <string>

#include "log/orklog.h"
#include "log/tests/orklog_test_support.h"

namespace {

using orklog_test::Messages;
using orklog_test::ReadBytes;
using orklog_test::TempDir;
using orklog_test::U16;

// The tests run with TZ=UTC.
const char kStart[] = R"(Log session started at \d\d:\d\d:\d\d, \d\d/\d\d/\d\d\.\r\n)";
const char kEnd[] = R"(Log session ended at \d\d:\d\d:\d\d, \d\d/\d\d/\d\d\.\r\n\r\n\r\n)";

std::string Escaped(const std::string& bytes) {
  static const std::regex special(R"([.^$|()\[\]{}*+?\\])");
  return std::regex_replace(bytes, special, R"(\$&)");
}

// Routes one entry with a known time through `log`.
void Replay(cOrkLog& log, int32_t time, uint32_t type, int32_t code, std::u16string_view text) {
  cOrkLog one;
  one.AddMessage(time, type, code, text);
  log.AddLog(one);
}

// Replays fixed entries so that their time stamps are known.
void LogFixed(cOrkLog& log) {
  cOrkLog fixed;
  fixed.AddMessage(1102428239, LOG_ERROR, 5, u"Access\r\n denied.");  // 14:03:59 12/07/2004
  fixed.AddMessage(0, LOG_WARNING, 0, u"Operation timed out.");       // 00:00:00 01/01/1970
  fixed.AddMessage(1700000000, LOG_ERROR, -1, u"Latin \u00E4\u00FF, Greek \u03A9, clef \U0001D11E.");
  fixed.AddMessage(1700000001, LOG_INFORMATION, 7, u"not for the file");
  fixed.AddMessage(2147483647, LOG_ERROR, INT32_MIN, u"Last second.");
  log.AddLog(fixed);
}

TEST(OrkLogFile, FileHoldsSessionLinesAndMessageLinesByteForByte) {
  TempDir dir;
  const auto path = dir.File("DeskAgent.log");
  {
    cOrkLog log;
    log.SetFileLogMask(LOG_ERROR | LOG_WARNING);
    ASSERT_EQ(log.InitializeLogFile(U16(path), 0), 0);
    LogFixed(log);
  }
  const std::string expectedLines =
      "14:03:59 12/07/2004 Access denied. (5)\r\n"
      "00:00:00 01/01/1970 Operation timed out.\r\n"
      "22:13:20 11/14/2023 Latin \xE4\xFF, Greek ?, clef ?. (-1)\r\n"
      "03:14:07 01/19/2038 Last second. (-2147483648)\r\n";
  const std::string bytes = ReadBytes(path);
  EXPECT_TRUE(std::regex_match(bytes, std::regex(kStart + Escaped(expectedLines) + kEnd))) << bytes;
}

TEST(OrkLogFile, SessionLinesCarryTheCurrentLocalTimeWithTwoDigitYear) {
  TempDir dir;
  const auto path = dir.File("session.log");
  const std::time_t before = std::time(nullptr);
  {
    cOrkLog log;
    ASSERT_EQ(log.InitializeLogFile(U16(path), 1), 0);
  }
  const std::time_t after = std::time(nullptr);
  auto lineAt = [](std::time_t t, const char* what) {
    char text[64];
    std::strftime(text, sizeof text, "%H:%M:%S, %m/%d/%y.", std::gmtime(&t));
    return "Log session " + std::string(what) + " at " + text + "\r\n";
  };
  const std::string bytes = ReadBytes(path);
  bool found = false;
  for (std::time_t s = before; s <= after && !found; ++s)
    for (std::time_t e = s; e <= after && !found; ++e)
      found = bytes == lineAt(s, "started") + lineAt(e, "ended") + "\r\n\r\n";
  EXPECT_TRUE(found) << bytes;
}

TEST(OrkLogFile, SecondInitializeEndsTheFirstSessionAndAppends) {
  TempDir dir;
  const auto path = dir.File("twice.log");
  cOrkLog log;
  log.SetFileLogMask(LOG_ALL);
  ASSERT_EQ(log.InitializeLogFile(U16(path), 0), 0);
  Replay(log, 0, LOG_ERROR, 0, u"one");
  ASSERT_EQ(log.InitializeLogFile(U16(path), 0), 0);
  EXPECT_EQ(log.CloseLogFile(), 0);
  EXPECT_EQ(log.CloseLogFile(), 0);  // nothing open: no second end line
  const std::string bytes = ReadBytes(path);
  EXPECT_TRUE(
      std::regex_match(bytes, std::regex(std::string(kStart) + "00:00:00 01/01/1970 one\\r\\n" + kEnd + kStart + kEnd)))
      << bytes;
}

TEST(OrkLogFile, OverwriteTruncatesAndAppendKeeps) {
  TempDir dir;
  const auto path = dir.File("mode.log");
  {
    cOrkLog log;
    ASSERT_EQ(log.InitializeLogFile(U16(path), 0), 0);
  }
  {
    cOrkLog log;
    ASSERT_EQ(log.InitializeLogFile(U16(path), 0), 0);
  }
  EXPECT_TRUE(std::regex_match(ReadBytes(path), std::regex(std::string(kStart) + kEnd + kStart + kEnd)));
  {
    cOrkLog log;
    ASSERT_EQ(log.InitializeLogFile(U16(path), 1), 0);
  }
  EXPECT_TRUE(std::regex_match(ReadBytes(path), std::regex(std::string(kStart) + kEnd)));
}

TEST(OrkLogFile, FileThatCannotBeOpenedStillLeavesMessagesInMemory) {
  TempDir dir;
  cOrkLog log;
  log.SetFileLogMask(LOG_ALL);
  EXPECT_EQ(log.InitializeLogFile(U16(dir.File("missing/folder/x.log")), 0), -1);
  log.LogMsg(LOG_ERROR, 2, u"still kept");
  ASSERT_EQ(Messages(log).size(), 1u);
  // A later successful open resumes file output.
  const auto path = dir.File("later.log");
  ASSERT_EQ(log.InitializeLogFile(U16(path), 0), 0);
  log.LogMsg(LOG_ERROR, 2, u"in the file");
  log.CloseLogFile();
  EXPECT_NE(ReadBytes(path).find(" in the file (2)\r\n"), std::string::npos);
}

TEST(OrkLogFile, CopyLogAppendsToTheSourcesFileInsideItsSession) {
  TempDir dir;
  const auto path = dir.File("shared.log");
  cOrkLog parent;
  parent.SetFileLogMask(LOG_ALL);
  ASSERT_EQ(parent.InitializeLogFile(U16(path), 1), 0);
  Replay(parent, 0, LOG_ERROR, 1, u"parent before");
  {
    cOrkLog worker;
    EXPECT_EQ(worker.CopyLog(parent), 0);
    EXPECT_EQ(worker.CountMessages(LOG_ALL), 1u);
    Replay(worker, 60, LOG_ERROR, 2, u"worker");
  }  // the worker's end line
  Replay(parent, 120, LOG_ERROR, 3, u"parent after");
  parent.CloseLogFile();
  const std::string s = kStart, e = kEnd;
  EXPECT_TRUE(std::regex_match(ReadBytes(path), std::regex(s + "00:00:00 01/01/1970 parent before \\(1\\)\\r\\n" + s +
                                                           "00:01:00 01/01/1970 worker \\(2\\)\\r\\n" + e +
                                                           "00:02:00 01/01/1970 parent after \\(3\\)\\r\\n" + e)))
      << ReadBytes(path);
}

TEST(OrkLogFile, CopyLogWithoutFileMaskOrSourceFileOpensNothing) {
  TempDir dir;
  const auto path = dir.File("nomask.log");
  cOrkLog parent;  // file mask 0
  ASSERT_EQ(parent.InitializeLogFile(U16(path), 1), 0);
  cOrkLog copy;
  copy.CopyLog(parent);
  copy.SetFileLogMask(LOG_ALL);
  copy.LogMsg(LOG_ERROR, u"not written");
  parent.CloseLogFile();
  EXPECT_EQ(ReadBytes(path).find("not written"), std::string::npos);

  cOrkLog noFile;
  noFile.SetFileLogMask(LOG_ALL);
  cOrkLog copy2;
  EXPECT_EQ(copy2.CopyLog(noFile), 0);
  copy2.LogMsg(LOG_ERROR, u"nowhere");  // no file open: memory only
  EXPECT_EQ(copy2.CountMessages(LOG_ALL), 1u);
}

}  // namespace
